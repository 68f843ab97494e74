// URL parsing and the text codings the HTTP client applies to what it is given or
// receives. Input: the URL, optionally followed by a line feed and the path it is
// relative to.
#include "net/HttpProt.h"
#include "net/NetUrl.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string url = input.substr(0, newline);
    std::string proto, user, pass, host, port;
    std::string path = newline == std::string::npos ? std::string() : input.substr(newline + 1);
    // A relative URL against an absolute path (or none) never climbs above the root.
    const bool rooted = (url.starts_with("./") || url.starts_with("../")) && (path.empty() || path[0] == '/');
    ParseURL(url, proto, user, pass, host, port, path);
    if (rooted && path.front() != '/')
        std::abort();
    if (path.size() > url.size() + input.size())
        std::abort();
    DocNameFromPath(path);

    if (UrlDecode(UrlEncode(input)) != input)
        std::abort();
    UrlDecode(input);
    for (const std::int32_t count : {-3, -1, 1, 2, 1 << 30})
        Posn(url.substr(0, 2), input, count);
    htoin(input, static_cast<int>(size));
    EncodeStr(encBase64, input);
    try {
        RFC1123_StrToDate(input);
    } catch (const platform::EConvertError&) {
    }
    return 0;
}
