#pragma once

// Temporary directory trees for the file-layer and listing tests: every path is made by
// the test and removed with the tree.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <ftw.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace testfs {

class TempTree {
public:
    TempTree()
    {
        char pattern[] = "/tmp/pelvaxon-test-XXXXXX";
        EXPECT_NE(mkdtemp(pattern), nullptr);
        // The resolved form, as getcwd reports it, so paths compare equal to the listing's.
        char* real = realpath(pattern, nullptr);
        root_ = real ? real : pattern;
        free(real);
    }
    // Removed with POSIX calls: names need not be valid text, modes need not allow it.
    ~TempTree()
    {
        const auto open = [](const char* path, const struct stat*, int type, FTW*) {
            if (type == FTW_D || type == FTW_DNR)
                chmod(path, 0700);
            return 0;
        };
        const auto remove = [](const char* path, const struct stat*, int type, FTW*) {
            return type == FTW_DP ? rmdir(path) : unlink(path);
        };
        nftw(root_.c_str(), open, 16, FTW_PHYS);
        nftw(root_.c_str(), remove, 16, FTW_DEPTH | FTW_PHYS);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& Root() const { return root_; }
    // The full path of a relative one, its parent directories made.
    std::string Path(const std::string& relative) const
    {
        const std::string path = root_ + "/" + relative;
        for (std::size_t at = root_.size() + 1; (at = path.find('/', at)) != std::string::npos; ++at)
            mkdir(path.substr(0, at).c_str(), 0755);
        return path;
    }

    std::string Dir(const std::string& relative) const
    {
        const std::string path = Path(relative);
        mkdir(path.c_str(), 0755);
        return path;
    }

    std::string File(const std::string& relative, const std::string& content = {}) const
    {
        const std::string path = Path(relative);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // A sparse file of the given size: nothing is written, the size is only claimed.
    std::string Sparse(const std::string& relative, std::int64_t size) const
    {
        const std::string path = Path(relative);
        const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        EXPECT_GE(fd, 0) << path;
        EXPECT_EQ(ftruncate(fd, size), 0) << path;
        close(fd);
        return path;
    }

    std::string Link(const std::string& target, const std::string& relative) const
    {
        const std::string path = Path(relative);
        EXPECT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
        return path;
    }

    std::string Fifo(const std::string& relative) const
    {
        const std::string path = Path(relative);
        EXPECT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
        return path;
    }

    void Chmod(const std::string& relative, mode_t mode) const { EXPECT_EQ(chmod(Path(relative).c_str(), mode), 0); }

    void SetMtime(const std::string& relative, std::int64_t seconds) const
    {
        const timeval times[2] = {{seconds, 0}, {seconds, 0}};
        EXPECT_EQ(lutimes(Path(relative).c_str(), times), 0);
    }

private:
    std::string root_;
};

// Puts the process's current directory back when the test ends.
class KeepCurrentDir {
public:
    KeepCurrentDir() : saved_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~KeepCurrentDir()
    {
        if (saved_ >= 0) {
            (void)fchdir(saved_);
            close(saved_);
        }
    }
    KeepCurrentDir(const KeepCurrentDir&) = delete;
    KeepCurrentDir& operator=(const KeepCurrentDir&) = delete;

private:
    int saved_;
};

// Root may enter any directory. While this lives, file access is checked as the
// unprivileged "nobody" instead, so permission failures can be provoked (the tree must
// then be open to others).
class AsNobody {
public:
    AsNobody() : previous_(geteuid() == 0 ? setfsuid(65534) : -1) {}
    ~AsNobody()
    {
        if (previous_ >= 0)
            setfsuid(previous_);
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

private:
    int previous_;
};

inline std::string CurrentDirectory()
{
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : "";
}

} // namespace testfs
