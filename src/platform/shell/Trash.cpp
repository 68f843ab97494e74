#include "platform/shell/Trash.h"

#include "platform/base/FileDescriptor.h"
#include "platform/fs/Path.h"
#include "platform/fs/RenameNoReplace.h"
#include "platform/shell/Directories.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// One trash directory with its "files" and "info"; `topdir` is empty for the home trash,
// whose entries keep absolute paths, and the filesystem's top for the others, whose
// entries are relative to it.
struct TrashPlace {
    std::string directory;
    std::string topdir;
};

std::string DataHome()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return dataHome;
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? JoinPath(home, ".local/share") : std::string();
}

// The trash's two subdirectories made (0700) and on the item's filesystem: 0 or errno.
int Prepare(const std::string& trash, dev_t device)
{
    for (const char* sub : {"/files", "/info"}) {
        if (mkdir((trash + sub).c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat files {};
    if (stat((trash + "/files").c_str(), &files) != 0)
        return errno;
    return files.st_dev == device ? 0 : EXDEV;
}

// The highest directory above `dir` (itself included) still on `device`.
std::string TopOfFilesystem(std::string dir, dev_t device)
{
    while (dir != "/") {
        const std::string up = DirectoryOf(dir);
        struct stat status {};
        if (stat(up.c_str(), &status) != 0 || status.st_dev != device)
            break;
        dir = up;
    }
    return dir;
}

// The trash for an item on `device` whose real directory is `realDir`: 0 or errno.
int FindTrash(const std::string& realDir, dev_t device, TrashPlace& place)
{
    const std::string dataHome = DataHome();
    if (!dataHome.empty()) {
        place.directory = JoinPath(dataHome, "Trash");
        if (fileop::MakeDirectories(place.directory, 0700) == 0 && Prepare(place.directory, device) == 0)
            return 0;
    }
    struct stat status {};
    if (stat(realDir.c_str(), &status) != 0)
        return errno;
    if (status.st_dev != device)
        return EBUSY; // the item is a mount point itself
    place.topdir = TopOfFilesystem(realDir, device);
    place.directory = JoinPath(place.topdir, ".Trash-" + std::to_string(getuid()));
    if (mkdir(place.directory.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    // Someone else's directory, or a link planted there, must not receive the user's files.
    if (lstat(place.directory.c_str(), &status) != 0)
        return errno;
    if (!S_ISDIR(status.st_mode) || status.st_uid != getuid())
        return EPERM;
    return Prepare(place.directory, device);
}

std::string DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// Writes the info file under the first free name, then renames the item in under the
// same name; an entry taken meanwhile in "files" moves on to the next name.
int Store(const std::string& item, const std::string& name, const TrashPlace& place, const std::string& info)
{
    // Room for ".trashinfo" and a number within the usual 255-byte name limit.
    const std::string base = name.substr(0, 230);
    for (int number = 1; number < 100000; ++number) {
        const std::string entry = number == 1 ? base : base + "." + std::to_string(number);
        const std::string infoFile = place.directory + "/info/" + entry + ".trashinfo";
        FileDescriptor out(open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out && errno == EEXIST)
            continue;
        if (!out)
            return errno;
        int error = WriteAll(out.get(), info) ? 0 : errno;
        if (close(out.release()) != 0 && error == 0)
            error = errno;
        if (error == 0)
            error = RenameNoReplace(item, place.directory + "/files/" + entry);
        if (error == 0)
            return 0;
        unlink(infoFile.c_str());
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}
} // namespace

std::string EncodeTrashPath(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char byte : path) {
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')
            || std::string_view("/-_.!~*'()").find(static_cast<char>(byte)) != std::string_view::npos;
        if (plain) {
            encoded += static_cast<char>(byte);
        } else {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 15];
        }
    }
    return encoded;
}

int MoveToTrash(const std::string& path)
{
    const std::string name = FileNameOf(path);
    if (name.empty() || name == "." || name == "..")
        return EINVAL;
    const std::string dir = DirectoryOf(path);
    char* real = realpath(dir.empty() ? "." : dir.c_str(), nullptr);
    if (!real)
        return errno;
    const std::string realDir = real;
    std::free(real);
    const std::string item = JoinPath(realDir, name);
    struct stat status {};
    if (lstat(item.c_str(), &status) != 0)
        return errno;
    TrashPlace place;
    if (const int error = FindTrash(realDir, status.st_dev, place))
        return error;
    std::string original = item;
    if (!place.topdir.empty())
        original = item.substr(place.topdir == "/" ? 1 : place.topdir.size() + 1);
    const std::string info
        = "[Trash Info]\nPath=" + EncodeTrashPath(original) + "\nDeletionDate=" + DeletionDate() + "\n";
    return Store(item, name, place, info);
}

} // namespace platform
