#pragma once

// A client's home for the FTP fuzz targets, made once in the run's directory: a
// subdirectory with one below it, a sibling whose name begins with the home's, and links
// leading out (to "/", to the parent, to the sibling, nowhere) and one staying inside.

#include "FuzzSupport.h"

#include "net/FtpSrv.h"
#include "platform/fs/Path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace ftpfuzzhome {

// The engine's file-path rule, reachable from a target.
class PathServer : public TFtpServer {
public:
    using TFtpServer::BuildFilePath;
};

// The home, ending in "/".
inline std::string MakeHome()
{
    const std::string& parent = fuzzsupport::runDirectory();
    const std::string home = parent + "/h";
    bool made = ::mkdir(home.c_str(), 0755) == 0 && ::mkdir((home + "/sub").c_str(), 0755) == 0
                && ::mkdir((home + "/sub/deeper").c_str(), 0755) == 0 && ::mkdir((parent + "/hx").c_str(), 0755) == 0;
    for (const auto& [target, link] : {std::pair<std::string, std::string>{"/", "root"},
                                       {"..", "up"},
                                       {parent + "/hx", "sibling"},
                                       {parent + "/nowhere", "dangling"},
                                       {"sub", "inner"}})
        made = made && ::symlink(target.c_str(), (home + "/" + link).c_str()) == 0;
    if (!made)
        std::abort();
    return home + "/";
}

// The run's home, made by the first call.
inline const std::string& Home()
{
    static const std::string home = MakeHome();
    return home;
}

// The client's home is the run's, and it stands in "sub".
inline void EnterHome(TFtpCtrlSocket& client)
{
    client.HomeDir = Home();
    client.SetDirectory(Home() + "sub");
}

// An accepted path lies in the home by its text, holds no "." or ".." component, and when it
// exists, it is inside the home once every link is followed.
inline void CheckConfined(const std::string& home, const std::string& path)
{
    if (!platform::IsAncestorOrSame(home, path) || path.find("/./") != std::string::npos
        || path.find("/../") != std::string::npos || path.ends_with("/..") || path.ends_with("/."))
        std::abort();
    const std::string real = path.find('\0') == std::string::npos ? ftppath::RealPath(path) : std::string();
    if (!real.empty() && !platform::IsAncestorOrSame(ftppath::RealPath(home), real))
        std::abort();
}

} // namespace ftpfuzzhome
