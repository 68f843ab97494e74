#pragma once

// What several fuzz targets need: the application object that sockets' message windows and
// Qt's readers want, and a directory of their own for the files they read.

#include <QCoreApplication>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace fuzzsupport {

// Makes the application at the first input (a target that draws text asks for a
// QGuiApplication); at every later one, serves what the inputs before left posted and deletes
// the objects they let go. No event loop runs, so Qt deletes those only when asked, and a run
// would otherwise slow down and grow from input to input.
template <class Application = QCoreApplication>
inline void startInput()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static Application app(argc, argv);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

inline char runDirectoryPattern[] = "/tmp/pelvaxon-fuzz-XXXXXX";

inline void removeRunDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(runDirectoryPattern, ignored);
}

// A directory made by the first call and removed when the run ends.
inline const std::string& runDirectory()
{
    static const std::string directory = [] {
        if (!::mkdtemp(runDirectoryPattern))
            std::abort();
        std::atexit(removeRunDirectory);
        return std::string(runDirectoryPattern);
    }();
    return directory;
}

inline void writeFile(const std::string& name, std::string_view bytes)
{
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const bool written = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (fd < 0 || ::close(fd) != 0 || !written)
        std::abort();
}

} // namespace fuzzsupport
