#pragma once

// Filesystems of a test's own: a tmpfs mounted in a private mount namespace, so tests can
// cross filesystems or fill a disk without touching the machine's mounts. Where no
// namespace can be made (no root), tests skip.

#include <string>

#include <sched.h>
#include <sys/mount.h>

namespace testfs {

// Moves the calling thread into a mount namespace of its own, once; mounts made there
// vanish with the test program. False where that is impossible.
inline bool EnterPrivateMountNamespace()
{
    static const bool entered
        = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return entered;
}

// A tmpfs on an existing directory while this lives; `options` as mount(8) takes them
// ("size=1m,mode=0777").
class TmpfsMount {
public:
    explicit TmpfsMount(std::string dir, const std::string& options = {}) : dir_(std::move(dir))
    {
        mounted_ = EnterPrivateMountNamespace()
            && mount("none", dir_.c_str(), "tmpfs", 0, options.empty() ? nullptr : options.c_str()) == 0;
    }
    ~TmpfsMount()
    {
        if (mounted_)
            umount2(dir_.c_str(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool mounted() const { return mounted_; }

private:
    std::string dir_;
    bool mounted_ = false;
};

} // namespace testfs

// Skips the test where no private tmpfs can be mounted.
#define SKIP_WITHOUT_TMPFS(mount)                                                                                      \
    if (!(mount).mounted())                                                                                            \
    GTEST_SKIP() << "no private mount namespace here"
