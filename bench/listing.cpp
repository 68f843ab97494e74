// Harness for bench/listing.sh: makes the benchmark trees and times nothing itself, so the
// script can run it side by side with ls and du under the same clock.
//   listing make-flat DIR COUNT   a directory of COUNT files of assorted sizes
//   listing make-tree DIR COUNT   a tree of about COUNT entries, three levels deep
//   listing list DIR              read DIR as a panel does, sort by name, print each entry
//   listing walk DIR              print the total size of the tree below DIR

#include "filemanager/dir.h"
#include "platform/fs/Attributes.h"
#include "platform/fs/CurrentDir.h"
#include "platform/fs/DirTreeSize.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool MakeFile(const std::string& path, long size)
{
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    const bool made = fd >= 0 && ftruncate(fd, size) == 0;
    if (fd >= 0)
        close(fd);
    if (!made)
        std::perror(path.c_str());
    return made;
}

bool MakeDir(const std::string& path)
{
    if (mkdir(path.c_str(), 0755) == 0)
        return true;
    std::perror(path.c_str());
    return false;
}

int MakeFlat(const std::string& dir, long count)
{
    if (!MakeDir(dir))
        return 1;
    for (long i = 0; i < count; ++i)
        if (!MakeFile(dir + "/entry-" + std::to_string(i * 7919 % count) + (i % 3 ? ".txt" : ".DAT"), i % 50000))
            return 1;
    return 0;
}

// 20 directories of 20 directories, the files spread over the 400 leaves.
int MakeTree(const std::string& dir, long count)
{
    if (!MakeDir(dir))
        return 1;
    const long fanout = 20;
    const long files = count - fanout - fanout * fanout;
    for (long i = 0; i < fanout; ++i) {
        const std::string top = dir + "/d" + std::to_string(i);
        if (!MakeDir(top))
            return 1;
        for (long j = 0; j < fanout; ++j) {
            const std::string leaf = top + "/e" + std::to_string(j);
            if (!MakeDir(leaf))
                return 1;
            const long leafIndex = i * fanout + j;
            for (long k = leafIndex; k < files; k += fanout * fanout)
                if (!MakeFile(leaf + "/f" + std::to_string(k), k % 10000))
                    return 1;
        }
    }
    return 0;
}

int List(const std::string& dir)
{
    if (!platform::ChangeDir(dir)) {
        std::perror(dir.c_str());
        return 1;
    }
    Tdir listing;
    listing.ReadDirectory("*.*", 0x27, false);
    listing.SortByName(false);
    for (const auto& e : listing.entries) {
        const auto flag = [&](std::uint32_t bit, char c) { return (e->attrib & bit) ? c : '-'; };
        std::printf("%c%c%c%c %12lld %04d-%02d-%02d %02d:%02d %s\n", flag(platform::attrReadOnly, 'r'),
                    flag(platform::attrHidden, 'h'), flag(platform::attrSystem, 's'),
                    flag(platform::attrDirectory, 'd'), static_cast<long long>(e->size), e->time.year, e->time.month,
                    e->time.day, e->time.hour, e->time.minute, e->name.c_str());
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "make-flat" && argc == 4)
        return MakeFlat(argv[2], std::atol(argv[3]));
    if (mode == "make-tree" && argc == 4)
        return MakeTree(argv[2], std::atol(argv[3]));
    if (mode == "list" && argc == 3)
        return List(argv[2]);
    if (mode == "walk" && argc == 3) {
        std::printf("%lld\n", static_cast<long long>(platform::DirTreeSize(argv[2])));
        return 0;
    }
    std::fprintf(stderr, "usage: listing make-flat|make-tree DIR COUNT | list DIR | walk DIR\n");
    return 2;
}
