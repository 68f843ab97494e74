#include "net/NetUrl.h"

#include "platform/base/AsciiCase.h"

#include <algorithm>

namespace {

bool IsSchemeText(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || IsDigit(c) || c == '+' || c == '-' || c == '.';
    });
}

// The directory of a path: up to and including its last "/", or "/" when it has none.
std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "/" : path.substr(0, slash + 1);
}

// "../a/../../b" against the directory "/x/y/z/": every leading "../" climbs one level,
// never above "/", and the rest is appended as it is.
std::string ClimbRelative(std::string dir, std::string_view rest)
{
    while (rest.substr(0, 3) == "../") {
        rest.remove_prefix(3);
        dir.pop_back();
        dir = DirectoryOf(dir);
    }
    return dir + std::string(rest);
}

void SplitAuthority(const std::string& authority, std::string& User, std::string& Pass, std::string& Host,
                    std::string& Port)
{
    const std::size_t colon = authority.rfind(':');
    const std::size_t at = authority.rfind('@');
    const std::size_t hostStart = at == std::string::npos ? 0 : at + 1;
    if (colon != std::string::npos && (at == std::string::npos || colon > at)) {
        Port = authority.substr(colon + 1);
        Host = authority.substr(hostStart, colon - hostStart);
    } else {
        Host = authority.substr(hostStart);
    }
    if (at == std::string::npos)
        return;
    const std::string userPart = authority.substr(0, at);
    const std::size_t split = userPart.find(':');
    User = userPart.substr(0, split);
    if (split != std::string::npos)
        Pass = userPart.substr(split + 1);
}

} // namespace

void ParseURL(const std::string& URL, std::string& Proto, std::string& User, std::string& Pass,
              std::string& Host, std::string& Port, std::string& Path)
{
    const std::string base = Path;
    Proto.clear();
    User.clear();
    Pass.clear();
    Host.clear();
    Port.clear();
    Path.clear();
    if (URL.empty())
        return;
    if (URL.starts_with("./")) {
        Path = DirectoryOf(base) + URL.substr(2);
        return;
    }
    if (URL.starts_with("../")) {
        Path = ClimbRelative(DirectoryOf(base), URL);
        return;
    }

    std::size_t from = 0;
    const std::size_t schemeEnd = URL.find("://");
    if (schemeEnd != std::string::npos) {
        const std::string scheme = platform::AsciiLowerCase(URL.substr(0, schemeEnd));
        if (IsSchemeText(scheme)) {
            Proto = scheme;
            from = schemeEnd + 3;
        } else {
            Proto = "http";
        }
    } else if (URL[0] == '/') {
        Proto = "http";
        if (URL.size() < 2 || URL[1] != '/') {
            Path = URL;
            return;
        }
        from = 2;
    } else if (platform::AsciiStartsWithNoCase(URL, "http:")) {
        Proto = "http";
        if (URL.size() > 6 && URL[6] != '/') {
            Path = URL.substr(5);
            return;
        }
        from = std::min<std::size_t>(6, URL.size());
    } else if (platform::AsciiStartsWithNoCase(URL, "mailto:")) {
        Proto = "mailto";
        from = URL.find(':') + 1;
    }

    const std::size_t authorityEnd = std::min(URL.find_first_of("/?", from), URL.size());
    Path = URL.substr(authorityEnd);
    SplitAuthority(URL.substr(from, authorityEnd - from), User, Pass, Host, Port);
}

std::int64_t Posn(const std::string& Substr, const std::string& S, std::int32_t Count)
{
    if (Count == 0 || Substr.empty())
        return Count > 0 ? static_cast<std::int64_t>(S.size()) + Count : 0;
    if (Count < 0) {
        std::int64_t wanted = -static_cast<std::int64_t>(Count);
        for (std::size_t at = S.rfind(Substr); at != std::string::npos; at = S.rfind(Substr, at - 1)) {
            if (--wanted == 0)
                return static_cast<std::int64_t>(at) + 1;
            if (at == 0)
                break;
        }
        return 0;
    }
    // Rounds that find nothing each add one to the length, so a search for more
    // occurrences than there are answers past the end of S.
    std::size_t next = 0;
    std::int64_t found = 0;
    for (std::int32_t round = 0; round < Count; ++round) {
        const std::size_t at = S.find(Substr, next);
        if (at == std::string::npos)
            return static_cast<std::int64_t>(S.size()) + (Count - round);
        next = at + 1;
        found = static_cast<std::int64_t>(at) + 1;
    }
    return found;
}

std::string UrlEncode(const std::string& S)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(S.size());
    for (const char c : S) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || IsDigit(c)) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string UrlDecode(const std::string& S)
{
    const std::string_view text = std::string_view(S).substr(0, S.find('&'));
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(htoi2(text.substr(i + 1, 2)));
            i += 2;
        } else if (text[i] == '+') {
            out += ' ';
        } else {
            out += text[i];
        }
    }
    return out;
}

bool IsDigit(char Ch)
{
    return Ch >= '0' && Ch <= '9';
}

bool IsXDigit(char Ch)
{
    return IsDigit(Ch) || (Ch >= 'A' && Ch <= 'F') || (Ch >= 'a' && Ch <= 'f');
}

int XDigit(char Ch)
{
    return IsDigit(Ch) ? Ch - '0' : (Ch & 15) + 9;
}

int htoin(std::string_view Value, int Len)
{
    const std::size_t limit = std::min(Value.size(), static_cast<std::size_t>(std::max(Len, 0)));
    std::size_t i = 0;
    while (i < limit && Value[i] == ' ')
        ++i;
    std::uint32_t result = 0;
    for (; i < limit && IsXDigit(Value[i]); ++i)
        result = result * 16 + static_cast<std::uint32_t>(XDigit(Value[i]));
    return static_cast<int>(result);
}

int htoi2(std::string_view Value)
{
    return htoin(Value, 2);
}
