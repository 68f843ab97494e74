#include "platform/shell/OperationRun.h"

#include "platform/fs/Path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace platform::fileop {

Place Place::child(int childDir, const std::string& childName) const
{
    return {childDir, childName, JoinPath(path, childName)};
}

OperationRun::OperationRun(std::string verb, std::string tail, OperationProgress& progress)
    : verb_(std::move(verb)), tail_(std::move(tail)), progress_(progress)
{
}

Existing OperationRun::takeUp(const Place& from, const Place& to, bool askFirst, ItemStatus& status)
{
    if (stopped_)
        return Existing::Skip;
    if (fstatat(from.dir, from.name.c_str(), &status.source, AT_SYMLINK_NOFOLLOW) != 0) {
        fail(from.path, errno);
        return Existing::Skip;
    }
    if (!begin(from.path))
        return Existing::Skip;
    status.exists = fstatat(to.dir, to.name.c_str(), &status.target, AT_SYMLINK_NOFOLLOW) == 0;
    if (!status.exists && errno != ENOENT) {
        fail(from.path, "\"" + to.path + "\" cannot be reached: " + std::strerror(errno));
        return Existing::Skip;
    }
    return status.exists ? resolve(status, from, to, askFirst) : Existing::Replace;
}

Existing OperationRun::resolve(const ItemStatus& status, const Place& from, const Place& to, bool askFirst)
{
    const struct stat& source = status.source;
    const struct stat& target = status.target;
    if (source.st_dev == target.st_dev && source.st_ino == target.st_ino) {
        fail(from.path, "\"" + to.path + "\" is the same file");
        return Existing::Skip;
    }
    const bool directory = S_ISDIR(source.st_mode);
    if (directory != S_ISDIR(target.st_mode)) {
        fail(from.path, "\"" + to.path + "\" is " + (directory ? "not a directory" : "a directory")
                            + " and is never replaced by " + (directory ? "one" : "a file"));
        return Existing::Skip;
    }
    const Existing agreed = directory ? Existing::Merge : Existing::Replace;
    if (!askFirst || replaceAll_)
        return agreed;
    const std::string question = directory
        ? "The directory \"" + to.path + "\" already exists. Merge \"" + from.path
            + "\" into it, replacing files of the same names?"
        : "\"" + to.path + "\" already exists. Replace it with \"" + from.path + "\"?";
    switch (ask(question, MsgButtons::YesAllNoCancel, MsgIcon::Question)) {
    case MsgResult::YesToAll: replaceAll_ = true; return agreed;
    case MsgResult::Yes: return agreed;
    // A skip the user chose is no failure.
    case MsgResult::No: return Existing::Skip;
    default:
        stopped_ = true;
        return Existing::Skip;
    }
}

bool OperationRun::fail(const std::string& path, const std::string& reason)
{
    ++failures_;
    if (stopped_)
        return false;
    const std::string text = "Cannot " + verb_ + " \"" + path + "\"" + tail_ + ": " + reason + ".\nGo on with the rest?";
    if (ask(text, MsgButtons::YesNo, MsgIcon::Warning) != MsgResult::Yes)
        stopped_ = true;
    return false;
}

bool OperationRun::fail(const std::string& path, int error) { return fail(path, std::strerror(error)); }

void OperationRun::refuse(const std::string& text)
{
    ++failures_;
    ask(text, MsgButtons::Ok, MsgIcon::Error);
}

MsgResult OperationRun::ask(const std::string& text, MsgButtons buttons, MsgIcon icon)
{
    const MsgResult answer = MessageDlg(text, buttons, icon);
    progress_.answered();
    return answer;
}

bool OperationRun::begin(const std::string& path)
{
    if (!stopped_ && !progress_.beginItem(path))
        stopped_ = true;
    return !stopped_;
}

bool OperationRun::advance(std::uint64_t bytes)
{
    if (!stopped_ && !progress_.advance(bytes))
        stopped_ = true;
    return !stopped_;
}

int OperationRun::result() const
{
    if (stopped_)
        return OperationCancelled;
    return failures_ == 0 ? OperationDone : OperationIncomplete;
}

bool ReadNames(int dir, std::vector<Listed>& names)
{
    const int own = fcntl(dir, F_DUPFD_CLOEXEC, 0);
    DIR* stream = own < 0 ? nullptr : fdopendir(own);
    if (!stream) {
        const int error = errno;
        if (own >= 0)
            close(own);
        errno = error;
        return false;
    }
    rewinddir(stream);
    errno = 0;
    while (const dirent* entry = readdir(stream)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back({name, entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN});
        errno = 0;
    }
    const int error = errno;
    closedir(stream);
    std::sort(names.begin(), names.end());
    errno = error;
    return error == 0;
}

std::string ContainingDirectory(const std::string& path)
{
    std::string directory = DirectoryOf(path);
    return directory.empty() ? std::string(1, '.') : directory;
}

SplitPath Split(const std::string& path)
{
    SplitPath split;
    split.name = FileNameOf(path);
    if (split.name == "." || split.name == "..")
        split.name.clear();
    split.directory = ContainingDirectory(path);
    split.path = split.directory == "." ? split.name : JoinPath(split.directory, split.name);
    return split;
}

} // namespace platform::fileop
