#pragma once

// What the copy, move and delete tests share: a progress that can cancel after N items,
// a snapshot of a tree (kinds, modes, times, bytes, link texts) to prove it unchanged, and
// the temporary files a copy must never leave behind.

#include "platform/shell/FileOperation.h"
#include "support/FileContents.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fileoptest {

class FakeProgress final : public platform::OperationProgress {
public:
    // Stops the operation when item number `cancelAfter` + 1 begins (never when negative).
    explicit FakeProgress(int cancelAfter = -1) : cancelAfter_(cancelAfter) {}
    void addWork(std::uint64_t bytes) override { work += bytes; }
    bool beginItem(const std::string& path) override
    {
        items.push_back(path);
        return cancelAfter_ < 0 || static_cast<int>(items.size()) <= cancelAfter_;
    }
    bool advance(std::uint64_t bytes) override
    {
        done += bytes;
        return true;
    }

    std::vector<std::string> items;
    std::uint64_t work = 0;
    std::uint64_t done = 0;

private:
    int cancelAfter_;
};

// Every entry below a root by its relative path: kind and mode, modification time,
// and the bytes of a file or the text of a link.
using Snapshot = std::map<std::string, std::string>;

inline void AddToSnapshot(Snapshot& snapshot, const std::string& root, const std::string& relative, bool withTimes)
{
    const std::string path = root + relative;
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0)
        return;
    std::string value = std::to_string(status.st_mode);
    if (withTimes && !S_ISDIR(status.st_mode))
        value += " " + std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec);
    if (S_ISREG(status.st_mode))
        value += " " + testsupport::readFile(path);
    if (S_ISLNK(status.st_mode)) {
        char text[4096];
        const ssize_t length = readlink(path.c_str(), text, sizeof text);
        value += " -> " + std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
    }
    snapshot[relative.empty() ? "." : relative] = value;
    if (!S_ISDIR(status.st_mode))
        return;
    DIR* dir = opendir(path.c_str());
    while (const dirent* entry = dir ? readdir(dir) : nullptr) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            AddToSnapshot(snapshot, root, relative + "/" + name, withTimes);
    }
    if (dir)
        closedir(dir);
}

inline Snapshot Take(const std::string& root, bool withTimes = true)
{
    Snapshot snapshot;
    AddToSnapshot(snapshot, root, "", withTimes);
    return snapshot;
}

// Names of the copy's temporary files found anywhere below root.
inline std::vector<std::string> Leftovers(const std::string& root)
{
    std::vector<std::string> found;
    for (const auto& [path, value] : Take(root, false)) {
        if (path.find("/.pelvaxon-") != std::string::npos)
            found.push_back(path);
    }
    return found;
}

inline bool Exists(const std::string& path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

inline bool AnyTextHas(const std::vector<std::string>& texts, const std::string& part)
{
    for (const std::string& text : texts) {
        if (text.find(part) != std::string::npos)
            return true;
    }
    return false;
}

} // namespace fileoptest
