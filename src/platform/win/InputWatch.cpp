#include "platform/win/InputWatch.h"

#include "platform/base/Exception.h"
#include "platform/win/SocketTable.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

InputWatch::InputWatch() : epollFd_(::epoll_create1(EPOLL_CLOEXEC))
{
    if (epollFd_ < 0)
        throw Exception(std::string("Cannot make a set of sockets to watch: ") + std::strerror(errno));
}

InputWatch::~InputWatch()
{
    ::close(epollFd_);
}

bool InputWatch::add(SOCKET s)
{
    std::lock_guard guard(winsock::tableLock());
    const winsock::SocketEntry* entry = winsock::findSocket(s);
    if (!entry)
        return false;
    // Closing the descriptor takes it out of the set: nothing to remove by hand, and a
    // descriptor number used again later is not in it unless added anew.
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = entry->fd;
    return ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, entry->fd, &event) == 0 || errno == EEXIST;
}

void InputWatch::remove(SOCKET s)
{
    std::lock_guard guard(winsock::tableLock());
    if (const winsock::SocketEntry* entry = winsock::findSocket(s))
        ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, entry->fd, nullptr);
}

bool InputWatch::anyWaiting() const
{
    epoll_event event{};
    return ::epoll_wait(epollFd_, &event, 1, 0) > 0;
}

} // namespace platform
