#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// One mounted filesystem as the mount table reports it.
struct MountEntry {
    std::string root;   // mount point
    std::string type;   // filesystem type ("ext4", "nfs4", "fuse.sshfs", ...)
    bool ready = true;  // valid and mounted
};

// Where the drive list learns the mounts; the system's mount table unless a test gives its own.
using MountSource = std::function<std::vector<MountEntry>()>;
std::vector<MountEntry> SystemMounts();

// What a drive is on this system: "/" first, then removable media (mounted under /media,
// /mnt or /run/media) and network or FUSE mounts; pseudo filesystems are left out.
struct DriveItem {
    std::string text;  // "/" or the last component of the mount root
    std::string root;  // the mount root
    bool network = false; // a network or FUSE mount, which the user may disconnect
};

class DriveList {
public:
    explicit DriveList(MountSource source = SystemMounts);

    // Reads the mount table again (after a network location was mounted or unmounted).
    void Rescan();
    const std::vector<DriveItem>& Items() const { return items_; }
    // The index of the drive holding an absolute path: the item with the longest root that
    // is an ancestor of it, or -1 for a relative path.
    int DriveOf(const std::string& path) const;
    // The index of the first item whose text begins with the character, case ignored; -1 if none.
    int FindByFirstChar(char c) const;

private:
    MountSource source_;
    std::vector<DriveItem> items_;
};

} // namespace platform
