#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// What the user sees of a running copy, move or delete, and how they stop it.
class OperationProgress {
public:
    virtual ~OperationProgress() = default;
    // More work is known: bytes of file data still to be written.
    virtual void addWork(std::uint64_t bytes) = 0;
    // The next file, link or directory is taken up; false when the user asked to stop.
    virtual bool beginItem(const std::string& path) = 0;
    // Bytes of file data written since the last call; false when the user asked to stop.
    virtual bool advance(std::uint64_t bytes) = 0;
    // The user has just answered a question: the work goes on from here.
    virtual void answered() {}
};

// The program's progress: a modal dialog with the title given and a Cancel button, shown
// only when the work has lasted a while since it began or since the user's last answer,
// never while a question waits.
std::unique_ptr<OperationProgress> MakeProgressDialog(const std::string& title);

// Results: 0 when every item was done or skipped at the user's word (No to replacing or
// merging into what exists); otherwise something failed or was refused, or the user
// cancelled. Nothing is ever lost on the way: a file is replaced only by a complete copy,
// and a moved source goes only once its copy is whole.
constexpr int OperationDone = 0;
constexpr int OperationIncomplete = 1;
constexpr int OperationCancelled = 2;

// Paths are bytes, relative to the current directory or absolute; "." and ".." are never
// acted on. Every question, refusal and per-file error goes through the message service.

// After one confirmation ("Move N item(s) to the trash?", or a permanent one whose default
// answer is No), moves the items to the user's freedesktop trash, or removes them for
// good: trees are removed without following links or entering another filesystem.
int Delete(const std::vector<std::string>& paths, bool toTrash, OperationProgress& progress);
int Delete(const std::vector<std::string>& paths, bool toTrash);

// Copies or moves the items into `targetDir`, made when missing. Refused before anything
// is touched: an item onto itself, a directory into its own subtree, a directory over a
// file or a file over a directory. An existing target is replaced or merged only when the
// user says so.
int Copy(const std::vector<std::string>& paths, const std::string& targetDir, OperationProgress& progress);
int Copy(const std::vector<std::string>& paths, const std::string& targetDir);
int Move(const std::vector<std::string>& paths, const std::string& targetDir, OperationProgress& progress);
int Move(const std::vector<std::string>& paths, const std::string& targetDir);

} // namespace platform
