// What a client sends on its control connection, up to the paths its commands would act on:
// the bytes are cut into received pieces, split into lines, cleaned of Telnet escapes and
// parsed, and every parameter goes through the directory-change and file-path rules of a
// home made once for the run (FtpFuzzHome.h). Nothing is sent and no file is changed.
#include "FtpFuzzHome.h"
#include "FuzzSupport.h"

#include "net/FtpPath.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

class FuzzClient : public TFtpCtrlSocket {
public:
    using TFtpCtrlSocket::FreeSpace;
    using TFtpCtrlSocket::TakeReceived;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzsupport::startInput();
    static ftpfuzzhome::PathServer server;
    const std::string& home = ftpfuzzhome::Home();
    FuzzClient client;
    ftpfuzzhome::EnterHome(client);
    client.OnCommand = [&](TFtpCtrlSocket*, const char* CmdBuf, std::int32_t CmdLen) {
        const TFtpCommandLine command = ParseFtpCommandLine(CmdBuf, CmdLen);
        // A line reaches here whole or not at all: nothing longer than the buffer holds.
        if (CmdLen >= client.RcvSize() || command.Params.size() >= static_cast<std::size_t>(client.RcvSize()))
            std::abort();
        try {
            client.SetDirectory(command.Params);
        } catch (const EFtpCtrlSocketException&) {
        }
        ftpfuzzhome::CheckConfined(home, client.Directory());
        try {
            ftpfuzzhome::CheckConfined(home, server.BuildFilePath(&client, client.Directory(), command.Params));
        } catch (const EFtpOutsideHome&) {
        }
    };
    // The first byte sizes the pieces the bytes arrive in.
    const std::size_t piece = size > 0 ? 1 + data[0] % 64 : 1;
    for (std::size_t at = size > 0 ? 1 : 0; at < size;) {
        const std::span<char> room = client.FreeSpace();
        const std::size_t count = std::min({piece, size - at, room.size()});
        if (count == 0)
            break;
        std::memcpy(room.data(), data + at, count);
        client.TakeReceived(static_cast<std::int32_t>(count));
        at += count;
    }
    return 0;
}
