#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// One name found in a directory.
struct FoundFile {
    std::string name;          // the bytes on disk
    std::int64_t size = 0;     // of a regular file (through a link); 0 for anything else
    std::uint32_t attributes = 0;
    std::int64_t mtime = 0;    // seconds since the epoch
    bool isSymlink = false;
    std::int64_t btime = 0;    // birth time when asked for: the mtime where none is kept
};

struct ListOptions {
    bool dots = false;      // "." and ".." wherever the pattern takes them, as a directory search returns them
    bool birthTime = false; // fill FoundFile::btime
    // Only isSymlink and the directory, system and hidden bits, from the directory entry itself
    // where the filesystem records the kind (links and unknown kinds are looked at in full);
    // size and times stay 0. Saves one status call per name in a tree walk or a name listing.
    bool kindOnly = false;
};

// The names of one directory that match the pattern (see WildcardMatch), sorted by their
// bytes, "." left out. ".." is kept except where it leads nowhere (at "/"). Links are
// followed for the kind, size and time; a dangling link is listed as a file of size 0.
// Throws platform::Exception naming the directory when it cannot be read.
std::vector<FoundFile> ListDir(const std::string& dir, const std::string& pattern, ListOptions options = {});
// The same into `found`, emptied first: a caller that lists again and again keeps its room.
void ListDir(const std::string& dir, const std::string& pattern, ListOptions options, std::vector<FoundFile>& found);

} // namespace platform
