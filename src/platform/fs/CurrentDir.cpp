#include "platform/fs/CurrentDir.h"

#include "platform/fs/Path.h"

#include <cstdlib>
#include <memory>

#include <pwd.h>
#include <unistd.h>

namespace platform {
namespace {
std::string& lastKnown()
{
    static std::string path = "/";
    return path;
}

bool ReadCurrentDir(std::string& path)
{
    const std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
    if (!cwd || cwd.get()[0] != '/')
        return false;
    path = cwd.get();
    return true;
}
} // namespace

bool ChangeDir(const std::string& path)
{
    if (chdir(path.c_str()) != 0)
        return false;
    if (!ReadCurrentDir(lastKnown()))
        lastKnown() = path;
    return true;
}

std::string CurrentDir()
{
    std::string path;
    if (ReadCurrentDir(path)) {
        lastKnown() = path;
        return path;
    }
    return ChangeToNearestDir(lastKnown());
}

std::string ChangeToNearestDir(const std::string& path)
{
    for (std::string candidate = path; !candidate.empty(); candidate = DirectoryOf(candidate)) {
        if (ChangeDir(candidate))
            return lastKnown();
        if (candidate == "/")
            break;
    }
    ChangeDir("/");
    return "/";
}

std::string HomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && entry->pw_dir[0] == '/')
        return entry->pw_dir;
    return "/";
}

} // namespace platform
