#pragma once

#include "platform/fs/FileTime.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the listing needs of the window whose title shows its progress.
class TitleBar {
public:
    virtual ~TitleBar() = default;
    virtual std::string Title() const = 0;
    virtual void SetTitle(const std::string& title) = 0;
};

// One listing entry.
struct ff {
    std::int64_t fsize = 0;      // the file's own size; 0 for directories
    std::uint32_t attrib = 0;    // platform::attr... bits
    std::int64_t mtime = 0;      // modification time, seconds since the epoch
    platform::LocalTime time;    // the same in local time, for the date label and the date order
    std::string name;            // the bytes on disk
    bool selected = false;       // marked by the user
    bool current = false;        // the cursor entry; at most one per listing
    std::string lname;           // name in lower case
    std::string lext;            // lower-case extension with its dot, "" without one
    std::int64_t size = 0;       // fsize, or a directory's tree total when directory sizes are shown

    bool IsDirectory() const;
};

// One panel's listing of the process's current directory.
class Tdir {
public:
    std::string volume;                      // label of the directory's filesystem, "" when none
    std::string path;                        // the directory read last; only a root ends in "/"
    std::int64_t maxSize = 0;                // the largest entry size of the last read
    std::vector<std::unique_ptr<ff>> entries;
    TitleBar* titleBar = nullptr;            // where progress shows; none in tests

    // Re-reads the current directory: entries whose names match the pattern and whose
    // attributes pass the mask; with withDirSizes each directory's size is its tree total.
    // Marks are dropped; the cursor stays on the same name when the path is the same.
    void ReadDirectory(const std::string& mask, int attrMask, bool withDirSizes);
    std::int64_t GetDirectorySize(const std::string& directoryPath);
    void ClearEntries();

    void SortByName(bool reverse);
    void SortByExt(bool reverse);
    void SortBySize(bool reverse);
    void SortByDate(bool reverse);

private:
    void SetTitle(const std::string& title);
    void Sort(int (*compare)(const ff&, const ff&));
};

// The sort orders, each -1, 0 or 1 as the first entry sorts before, with or after the
// second. ".." always comes first; in ascending order directories precede files, in
// descending order files come first. Ties fall back to the lower-case name, then the bytes.
int CompareByName(const ff& a, const ff& b);
int CompareByNameDesc(const ff& a, const ff& b);
int CompareByExt(const ff& a, const ff& b);
int CompareByExtDesc(const ff& a, const ff& b);
int CompareBySize(const ff& a, const ff& b);
int CompareBySizeDesc(const ff& a, const ff& b);
int CompareByDate(const ff& a, const ff& b);
int CompareByDateDesc(const ff& a, const ff& b);
