#include "platform/fs/Attributes.h"

#include <cerrno>

#include <fcntl.h>

namespace platform {

std::uint32_t AttributesOf(mode_t mode, std::string_view name)
{
    std::uint32_t attributes = 0;
    if (!(mode & S_IWUSR))
        attributes |= attrReadOnly;
    if (IsHiddenName(name))
        attributes |= attrHidden;
    if (S_ISCHR(mode) || S_ISBLK(mode) || S_ISFIFO(mode) || S_ISSOCK(mode))
        attributes |= attrSystem;
    if (S_ISDIR(mode))
        attributes |= attrDirectory;
    return attributes;
}

bool IsHiddenName(std::string_view name)
{
    return name.size() > 1 && name.front() == '.' && name != "..";
}

int SetAttributes(const std::string& path, std::uint32_t attributes)
{
    struct stat status {};
    if (fstatat(AT_FDCWD, path.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    // A link's own mode cannot be changed here, and changing its target's would reach a
    // file the user never marked, maybe outside the panel's directory.
    if (S_ISLNK(status.st_mode))
        return EOPNOTSUPP;
    mode_t mode = status.st_mode & 07777;
    mode = (attributes & attrReadOnly) ? mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
    // Not followed either: the name may have become a link since it was looked at.
    return fchmodat(AT_FDCWD, path.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

} // namespace platform
