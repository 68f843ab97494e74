#pragma once

#include "platform/shell/FileOperation.h"
#include "platform/ui/MessageService.h"

#include <cstddef>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace platform::fileop {

// A name inside an open directory, with the path the user knows it by.
struct Place {
    int dir = -1;
    std::string name;
    std::string path;

    Place child(int childDir, const std::string& childName) const;
};

// What to do with an item's target: Replace also when nothing is there yet.
enum class Existing { Replace, Merge, Skip };

// An item's status, and its target's when one exists.
struct ItemStatus {
    struct stat source {};
    struct stat target {};
    bool exists = false;
};

// The state of one copy, move or delete: the user's answers so far, the failures, the
// progress, and whether the user stopped it.
class OperationRun {
public:
    // `verb` and `tail` frame the failure texts: Cannot <verb> "<path>"<tail>: <reason>.
    OperationRun(std::string verb, std::string tail, OperationProgress& progress);

    // Takes up the item at `from` (a step of the progress) and decides about its target: an
    // existing one is never the item itself, never a directory for a file or the reverse,
    // and is replaced or merged into only when the user agrees, unless `askFirst` is false
    // (the user already agreed for the directory it lies in). Skip when the item cannot go
    // ahead (said why), the user said No to it, or the run has stopped.
    Existing takeUp(const Place& from, const Place& to, bool askFirst, ItemStatus& status);

    // A failure with one item: names it and the reason, and asks whether to go on; No
    // stops the run. Always false, so callers can return it.
    bool fail(const std::string& path, const std::string& reason);
    bool fail(const std::string& path, int error);
    // A refusal before anything is touched: shown, counted, no question.
    void refuse(const std::string& text);
    // Asks the user; the progress hears when the answer has come.
    MsgResult ask(const std::string& text, MsgButtons buttons, MsgIcon icon);

    bool begin(const std::string& path);
    bool advance(std::uint64_t bytes);
    void addWork(std::uint64_t bytes) { progress_.addWork(bytes); }

    bool stopped() const { return stopped_; }
    std::size_t failures() const { return failures_; }
    const std::string& verb() const { return verb_; }
    int result() const;

private:
    Existing resolve(const ItemStatus& status, const Place& from, const Place& to, bool askFirst);

    std::string verb_;
    std::string tail_;
    OperationProgress& progress_;
    std::size_t failures_ = 0;
    bool stopped_ = false;
    bool replaceAll_ = false;
};

// One name read from a directory; `notDirectory` when the directory said so (no stat needed).
struct Listed {
    std::string name;
    bool notDirectory = false;
    bool operator<(const Listed& other) const { return name < other.name; }
};

// The names in an open directory without "." and "..", in byte order; false with errno set
// when it cannot be read.
bool ReadNames(int dir, std::vector<Listed>& names);

// The directory holding the path's last component: "." for a bare name.
std::string ContainingDirectory(const std::string& path);

// The user's path without trailing separators, split into the directory to open ("." for
// a bare name) and the name in it; an empty name for ".", ".." and the root.
struct SplitPath {
    std::string directory;
    std::string name;
    std::string path;
};
SplitPath Split(const std::string& path);

} // namespace platform::fileop
