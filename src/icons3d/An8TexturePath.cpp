#include "icons3d/An8TexturePath.h"

#include "platform/base/AsciiCase.h"
#include "platform/fs/Path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace {

bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The entry of directory whose name matches component without regard to ASCII case.
std::string matchInDirectory(const std::string& directory, const std::string& component)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.c_str()), ::closedir);
    if (!dir)
        return component;
    while (const dirent* entry = ::readdir(dir.get()))
        if (platform::AsciiEqualNoCase(component, entry->d_name))
            return entry->d_name;
    return component;
}

// Follows path component by component from base, taking the exact name where it exists
// and a case-insensitive match where it does not.
std::string resolveCase(const std::string& base, const std::string& relative)
{
    std::string result = base;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t slash = relative.find('/', start);
        if (slash == std::string::npos)
            slash = relative.size();
        std::string component = relative.substr(start, slash - start);
        start = slash + 1;
        if (component.empty())
            continue;
        std::string joined = platform::JoinPath(result, component);
        if (!exists(joined))
            joined = platform::JoinPath(result, matchInDirectory(result, component));
        result = joined;
    }
    return result;
}

} // namespace

std::string An8FoldBackslashes(const std::string& path)
{
    std::string folded;
    folded.reserve(path.size());
    for (char c : path)
        if (c != '\\' || folded.empty() || folded.back() != '\\')
            folded.push_back(c);
    return folded;
}

std::string An8ResolveTexturePath(const std::string& written, const std::string& an8Directory)
{
    std::string path = written;
    for (char& c : path)
        if (c == '\\')
            c = '/';
    const std::string directory = an8Directory.empty() ? "." : an8Directory;
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    const bool absolute = !drive && !path.empty() && path[0] == '/';
    if (!drive) {
        const std::string primary = absolute ? path : resolveCase(directory, path);
        if (!absolute || exists(primary))
            return primary;
    }
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path.substr(2) : path.substr(slash + 1);
    const std::string beside = resolveCase(directory, name);
    return exists(beside) || drive ? beside : path;
}
