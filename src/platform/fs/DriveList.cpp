#include "platform/fs/DriveList.h"

#include "platform/base/AsciiCase.h"
#include "platform/fs/Path.h"

#include <QFile>
#include <QStorageInfo>

#include <algorithm>
#include <array>

namespace platform {
namespace {
bool IsRemovableMediaRoot(const std::string& root)
{
    static const std::array<std::string_view, 3> bases = {"/media", "/mnt", "/run/media"};
    return std::any_of(bases.begin(), bases.end(),
                       [&](std::string_view base) { return root != base && IsAncestorOrSame(base, root); });
}

bool IsNetworkOrFuse(const std::string& type)
{
    return type.starts_with("nfs") || type == "cifs" || type == "smb3" || type == "smbfs" || type == "fuseblk"
        || type.starts_with("fuse.");
}

bool IsPseudo(const std::string& type)
{
    static const std::array<std::string_view, 12> pseudo = {"proc", "sysfs", "tmpfs", "devtmpfs", "devpts", "cgroup",
                                                           "cgroup2", "overlay", "squashfs", "autofs", "securityfs",
                                                           "debugfs"};
    return std::find(pseudo.begin(), pseudo.end(), type) != pseudo.end();
}
} // namespace

std::vector<MountEntry> SystemMounts()
{
    std::vector<MountEntry> mounts;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        mounts.push_back({QFile::encodeName(volume.rootPath()).toStdString(), volume.fileSystemType().toStdString(),
                          volume.isValid() && volume.isReady()});
    return mounts;
}

DriveList::DriveList(MountSource source) : source_(std::move(source)) { Rescan(); }

void DriveList::Rescan()
{
    items_ = {{"/", "/"}};
    for (const MountEntry& mount : source_()) {
        const bool wanted = mount.ready && !IsPseudo(mount.type)
            && (IsRemovableMediaRoot(mount.root) || IsNetworkOrFuse(mount.type));
        const bool known = std::any_of(items_.begin(), items_.end(),
                                       [&](const DriveItem& item) { return item.root == mount.root; });
        if (wanted && !known)
            items_.push_back({FileNameOf(mount.root), mount.root, IsNetworkOrFuse(mount.type)});
    }
}

int DriveList::DriveOf(const std::string& path) const
{
    int best = -1;
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (IsAncestorOrSame(items_[i].root, path)
            && (best < 0 || items_[i].root.size() > items_[std::size_t(best)].root.size()))
            best = int(i);
    return best;
}

int DriveList::FindByFirstChar(char c) const
{
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (!items_[i].text.empty() && AsciiLower(items_[i].text.front()) == AsciiLower(c))
            return int(i);
    return -1;
}

} // namespace platform
