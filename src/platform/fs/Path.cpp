#include "platform/fs/Path.h"

#include "platform/fs/Names.h"

namespace platform {
namespace {
std::string_view WithoutTrailingSeparators(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}
} // namespace

std::string JoinPath(std::string_view dir, std::string_view name)
{
    std::string joined(dir);
    if (!joined.empty() && joined.back() != '/')
        joined += '/';
    joined += name;
    return joined;
}

std::string WithTrailingSeparator(std::string_view path)
{
    std::string result(WithoutTrailingSeparators(path));
    if (result.empty() || result.back() != '/')
        result += '/';
    return result;
}

std::string FileNameOf(std::string_view path)
{
    path = WithoutTrailingSeparators(path);
    if (path == "/")
        return {};
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string DirectoryOf(std::string_view path)
{
    path = WithoutTrailingSeparators(path);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return std::string(WithoutTrailingSeparators(path.substr(0, slash + 1)));
}

std::string LowerExtensionOf(std::string_view path) { return ExtensionOf(LowerName(FileNameOf(path))); }

bool IsAncestorOrSame(std::string_view ancestor, std::string_view path)
{
    ancestor = WithoutTrailingSeparators(ancestor);
    path = WithoutTrailingSeparators(path);
    if (ancestor.empty() || path.substr(0, ancestor.size()) != ancestor)
        return false;
    return path.size() == ancestor.size() || ancestor.back() == '/' || path[ancestor.size()] == '/';
}

} // namespace platform
