#include "platform/win/SocketTable.h"

#include <unordered_map>

namespace platform::winsock {
namespace {

struct Table {
    std::unordered_map<SOCKET, std::unique_ptr<SocketEntry>> sockets;
    // Handles start well above descriptor numbers, so a descriptor passed by mistake is
    // never taken for a handle.
    SOCKET lastHandle = 0x10000;
};

Table& table()
{
    static Table instance;
    return instance;
}

} // namespace

std::mutex& tableLock()
{
    static std::mutex lock;
    return lock;
}

SOCKET addSocket(int fd, int type)
{
    auto entry = std::make_unique<SocketEntry>();
    entry->fd = fd;
    entry->type = type;
    const SOCKET handle = ++table().lastHandle;
    table().sockets.emplace(handle, std::move(entry));
    return handle;
}

SocketEntry* findSocket(SOCKET s)
{
    const auto found = table().sockets.find(s);
    if (found != table().sockets.end())
        return found->second.get();
    return nullptr;
}

std::unique_ptr<SocketEntry> removeSocket(SOCKET s)
{
    const auto found = table().sockets.find(s);
    if (found == table().sockets.end())
        return nullptr;
    std::unique_ptr<SocketEntry> entry = std::move(found->second);
    table().sockets.erase(found);
    return entry;
}

} // namespace platform::winsock
