#include "net/FtpPath.h"

#include "platform/fs/Attributes.h"
#include "platform/fs/Path.h"

#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace ftppath {

std::string WithSlashes(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c == '\\')
            c = '/';
    return result;
}

bool IsUNC(std::string_view text)
{
    const auto separator = [](char c) { return c == '/' || c == '\\'; };
    return text.size() > 1 && separator(text[0]) && separator(text[1]);
}

std::string Normalized(std::string_view path)
{
    const std::string_view last = path.substr(path.rfind('/') + 1);
    const bool directory = last.empty() || last == "." || last == "..";
    std::vector<std::string_view> parts;
    for (std::size_t at = 0; at <= path.size();) {
        std::size_t end = path.find('/', at);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string result = "/";
    for (const std::string_view part : parts) {
        result += part;
        result += '/';
    }
    if (!directory && result.size() > 1)
        result.pop_back();
    return result;
}

std::string AsDirectory(std::string_view path)
{
    return platform::WithTrailingSeparator(Normalized(path));
}

std::string RealPath(const std::string& path)
{
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

Place PlaceInHome(std::string_view home, std::string_view path)
{
    if (home.empty())
        return Place::Outside;
    const std::string normalHome = Normalized(home);
    std::string existing = Normalized(path);
    // Without its trailing "/", a link is looked at rather than followed.
    if (existing.size() > 1 && existing.back() == '/')
        existing.pop_back();
    if (!platform::IsAncestorOrSame(normalHome, existing))
        return Place::Outside;
    const std::string realHome = RealPath(normalHome);
    struct stat status {};
    if (realHome.empty() || ::stat(realHome.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return Place::LeadsOut;
    // The part of the path that exists, a dangling link included, must resolve: a link
    // that leads nowhere could still be followed by a create.
    while (::lstat(existing.c_str(), &status) != 0 && !platform::IsAncestorOrSame(existing, normalHome))
        existing = platform::DirectoryOf(existing);
    const std::string realExisting = RealPath(existing);
    const bool inside = !realExisting.empty() && platform::IsAncestorOrSame(realHome, realExisting);
    return inside ? Place::Inside : Place::LeadsOut;
}

bool InsideHome(std::string_view home, std::string_view path)
{
    return PlaceInHome(home, path) == Place::Inside;
}

bool IsHome(std::string_view home, std::string_view path)
{
    return !home.empty() && AsDirectory(path) == AsDirectory(home);
}

bool ResolvesOutside(const std::string& realHome, const std::string& path)
{
    const std::string real = RealPath(path);
    return !real.empty() && !platform::IsAncestorOrSame(realHome, real);
}

std::string Printable(std::string_view name)
{
    std::string result(name);
    for (char& c : result)
        if (c == '\r' || c == '\n')
            c = '?';
    return result;
}

bool EntryExists(std::string_view path)
{
    std::string name(path);
    if (name.size() > 1 && name.back() == '/')
        name.pop_back();
    struct stat status {};
    if (::lstat(name.c_str(), &status) != 0)
        return false;
    // A link that leads nowhere is found as a file of its own.
    if (::stat(name.c_str(), &status) != 0)
        return true;
    return (platform::AttributesOf(status.st_mode, platform::FileNameOf(name)) & platform::attrSystem) == 0;
}

bool FileExists(std::string_view path)
{
    struct stat status {};
    return ::stat(std::string(path).c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

std::int64_t FileSizeOf(std::string_view path)
{
    const std::string name(path);
    struct stat status {};
    if (::lstat(name.c_str(), &status) != 0)
        return -1;
    if (::stat(name.c_str(), &status) != 0)
        return 0;
    if (S_ISDIR(status.st_mode))
        return -1;
    return S_ISREG(status.st_mode) ? static_cast<std::int64_t>(status.st_size) : 0;
}

} // namespace ftppath
