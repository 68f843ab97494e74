#pragma once

#include "platform/shell/OperationRun.h"

#include <utility>
#include <vector>

#include <sys/stat.h>

namespace platform::fileop {

// Copies files, links and directory trees. Every file is written under a temporary name
// beside its target and takes the target's name only when complete, with its mode and
// times; a target is never truncated or written through a link. Devices, FIFOs and sockets
// are never opened.
class TreeCopier {
public:
    explicit TreeCopier(OperationRun& run);

    // Copies the item at `from` onto `to` (whose directory exists), asking first about an
    // existing target when `askFirst`. True when the whole item was copied.
    bool copy(const Place& from, const Place& to, bool askFirst);
    // The same once the item's status is known and any existing target has been agreed to
    // go (a file) or to be merged into (a directory).
    bool copyAgreed(const struct stat& status, const Place& from, const Place& to, bool exists);

private:
    bool copyFile(const struct stat& status, const Place& from, const Place& to, bool replace);
    bool copyLink(const struct stat& status, const Place& from, const Place& to, bool replace);
    bool copyDirectory(const struct stat& status, const Place& from, const Place& to, bool merge);
    int copyData(int in, int out);

    OperationRun& run_;
    std::vector<char> buffer_;
    // The directories being copied, outermost first: a tree that holds itself (a bind
    // mount) is not followed round.
    std::vector<std::pair<dev_t, ino_t>> open_;
};

} // namespace platform::fileop
