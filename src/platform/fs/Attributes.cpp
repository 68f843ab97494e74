#include "platform/fs/Attributes.h"

namespace platform {

std::uint32_t AttributesOf(const struct stat& status, std::string_view name)
{
    std::uint32_t attributes = 0;
    if (!(status.st_mode & S_IWUSR))
        attributes |= attrReadOnly;
    if (name.size() > 1 && name.front() == '.' && name != "..")
        attributes |= attrHidden;
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) || S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode))
        attributes |= attrSystem;
    if (S_ISDIR(status.st_mode))
        attributes |= attrDirectory;
    return attributes;
}

} // namespace platform
