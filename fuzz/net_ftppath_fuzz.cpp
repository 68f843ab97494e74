// The FTP engine's path rules on any bytes, without the command line's length limit or its
// cleaning: each line of the input is a directory change when it begins with "C", else a
// name the file-path rule builds from the client's directory. Whatever they accept stays in
// the home (FtpFuzzHome.h), and the normalisation they rest on is stable and rooted.
#include "FtpFuzzHome.h"
#include "FuzzSupport.h"

#include "net/FtpPath.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void CheckNormalized(std::string_view text)
{
    const std::string normal = ftppath::Normalized(text);
    if (normal.empty() || normal.front() != '/' || normal.find("//") != std::string::npos
        || ftppath::Normalized(normal) != normal || ftppath::AsDirectory(text).back() != '/')
        std::abort();
    if (ftppath::Printable(text).find_first_of("\r\n") != std::string::npos)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzsupport::startInput();
    static ftpfuzzhome::PathServer server;
    const std::string& home = ftpfuzzhome::Home();
    TFtpCtrlSocket client;
    ftpfuzzhome::EnterHome(client);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::size_t at = 0; at <= input.size();) {
        std::size_t end = input.find('\n', at);
        if (end == std::string_view::npos)
            end = input.size();
        const std::string_view line = input.substr(at, end - at);
        at = end + 1;
        CheckNormalized(line);
        if (line.starts_with('C')) {
            try {
                client.SetDirectory(std::string(line.substr(1)));
            } catch (const EFtpCtrlSocketException&) {
            }
            ftpfuzzhome::CheckConfined(home, client.Directory());
            continue;
        }
        try {
            ftpfuzzhome::CheckConfined(home, server.BuildFilePath(&client, client.Directory(), std::string(line)));
        } catch (const EFtpOutsideHome&) {
        }
    }
    return 0;
}
