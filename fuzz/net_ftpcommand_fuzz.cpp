// What a client sends on its control connection, up to the paths its commands would act on:
// the bytes are cut into received pieces, split into lines, cleaned of Telnet escapes and
// parsed, and every parameter goes through the directory-change and file-path rules of a
// home made once for the run. Nothing is sent and no file is changed.
#include "net/FtpPath.h"
#include "net/FtpSrv.h"
#include "platform/fs/Path.h"

#include <QCoreApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

class FuzzServer : public TFtpServer {
public:
    using TFtpServer::BuildFilePath;
};

class FuzzClient : public TFtpCtrlSocket {
public:
    using TFtpCtrlSocket::FreeSpace;
    using TFtpCtrlSocket::TakeReceived;
};

char homePattern[] = "/tmp/pelvaxon-fuzz-XXXXXX";

void RemoveHome()
{
    const std::string home = homePattern;
    ::rmdir((home + "/sub").c_str());
    ::unlink((home + "/root").c_str());
    ::rmdir(home.c_str());
}

// A home with a subdirectory and a link leading out of it, removed when the run ends.
std::string MakeHome()
{
    if (!::mkdtemp(homePattern))
        std::abort();
    const std::string home = homePattern;
    std::atexit(RemoveHome);
    ::mkdir((home + "/sub").c_str(), 0755);
    if (::symlink("/", (home + "/root").c_str()) != 0)
        std::abort();
    return home + "/";
}

// Every accepted path lies in the home and holds no "." or ".." component.
void CheckConfined(const std::string& home, const std::string& path)
{
    if (!platform::IsAncestorOrSame(home, path) || path.find("/./") != std::string::npos
        || path.find("/../") != std::string::npos || path.ends_with("/..") || path.ends_with("/."))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static const std::string home = MakeHome();
    static FuzzServer server;

    FuzzClient client;
    client.HomeDir = home;
    client.SetDirectory(home + "sub");
    client.OnCommand = [&](TFtpCtrlSocket*, const char* CmdBuf, std::int32_t CmdLen) {
        const TFtpCommandLine command = ParseFtpCommandLine(CmdBuf, CmdLen);
        // A line reaches here whole or not at all: nothing longer than the buffer holds.
        if (CmdLen >= client.RcvSize() || command.Params.size() >= static_cast<std::size_t>(client.RcvSize()))
            std::abort();
        try {
            client.SetDirectory(command.Params);
        } catch (const EFtpCtrlSocketException&) {
        }
        CheckConfined(home, client.Directory());
        try {
            CheckConfined(home, server.BuildFilePath(&client, client.Directory(), command.Params));
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
