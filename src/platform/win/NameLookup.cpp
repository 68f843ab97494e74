#include "platform/win/WinSock.h"

#include "platform/win/WinSockInternal.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <mutex>
#include <netdb.h>
#include <unordered_map>

namespace platform {

using namespace winsock;

namespace {

struct Outcome {
    int error = 0;
    HostEntry entry;
};

Outcome resolveName(const std::string& name)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    Outcome outcome;
    outcome.error = wsaErrorFromLookup(status, errno);
    if (status != 0)
        return outcome;
    outcome.entry.name = found->ai_canonname ? found->ai_canonname : name;
    for (const addrinfo* item = found; item; item = item->ai_next) {
        const auto address = reinterpret_cast<const sockaddr_in*>(item->ai_addr)->sin_addr.s_addr;
        auto& list = outcome.entry.addresses;
        if (std::find(list.begin(), list.end(), address) == list.end())
            list.push_back(address);
    }
    ::freeaddrinfo(found);
    return outcome;
}

Outcome resolveAddress(std::uint32_t address)
{
    sockaddr_in record{};
    record.sin_family = AF_INET;
    record.sin_addr.s_addr = address;
    char name[NI_MAXHOST];
    const int status = ::getnameinfo(reinterpret_cast<const sockaddr*>(&record), sizeof record, name, sizeof name,
                                     nullptr, 0, NI_NAMEREQD);
    Outcome outcome;
    outcome.error = wsaErrorFromLookup(status, errno);
    if (status == 0)
        outcome.entry = {name, {address}};
    return outcome;
}

std::optional<HostEntry> blockingResult(const Outcome& outcome)
{
    WSASetLastError(outcome.error);
    if (outcome.error != 0)
        return std::nullopt;
    return outcome.entry;
}

// Lookups run on a pool of their own, so that slow resolvers never starve Qt's global pool,
// and post their results back. A worker never touches a component: the result waits here
// until the component takes it on its own thread.
struct Task {
    HWND wnd = 0;
    UINT msg = 0;
    bool cancelled = false;
    bool done = false;
    std::optional<HostEntry> result;
};

struct Lookups {
    std::mutex lock;
    std::unordered_map<HANDLE, Task> tasks;
    // Results nobody takes (the component asked again meanwhile) are dropped oldest first.
    std::deque<HANDLE> finished;
    HANDLE lastHandle = 0;
    QPointer<QThreadPool> pool;
};

constexpr std::size_t keptResults = 64;
constexpr int lookupThreads = 3;

Lookups& lookups()
{
    static Lookups instance;
    return instance;
}

void finish(HANDLE task, const Outcome& outcome)
{
    Lookups& l = lookups();
    HWND wnd = 0;
    UINT msg = 0;
    {
        std::lock_guard guard(l.lock);
        const auto found = l.tasks.find(task);
        if (found == l.tasks.end())
            return;
        if (found->second.cancelled) {
            l.tasks.erase(found);
            return;
        }
        found->second.done = true;
        if (outcome.error == 0)
            found->second.result = outcome.entry;
        wnd = found->second.wnd;
        msg = found->second.msg;
        l.finished.push_back(task);
        while (l.finished.size() > keptResults) {
            l.tasks.erase(l.finished.front());
            l.finished.pop_front();
        }
    }
    if (!PostMessage(wnd, msg, task, WSAMAKESELECTREPLY(0, outcome.error))) {
        std::lock_guard guard(l.lock);
        l.tasks.erase(task);
    }
}

template <class Work>
HANDLE startLookup(HWND wnd, UINT msg, Work work)
{
    if (!checkStarted())
        return 0;
    if (!IsWindow(wnd) || !QCoreApplication::instance()) {
        WSASetLastError(WSAEINVAL);
        return 0;
    }
    Lookups& l = lookups();
    HANDLE task = 0;
    QThreadPool* pool = nullptr;
    {
        std::lock_guard guard(l.lock);
        if (!l.pool) {
            // Owned by the application, which waits for running lookups when it ends.
            l.pool = new QThreadPool(QCoreApplication::instance());
            l.pool->setMaxThreadCount(lookupThreads);
        }
        pool = l.pool;
        task = ++l.lastHandle;
        l.tasks.emplace(task, Task{wnd, msg, false, false, std::nullopt});
    }
    pool->start([task, work] { finish(task, work()); });
    WSASetLastError(0);
    return task;
}

} // namespace

std::optional<HostEntry> gethostbyname(const std::string& name)
{
    if (!checkStarted())
        return std::nullopt;
    return blockingResult(resolveName(name));
}

std::optional<HostEntry> gethostbyaddr(std::uint32_t address)
{
    if (!checkStarted())
        return std::nullopt;
    return blockingResult(resolveAddress(address));
}

HANDLE WSAAsyncGetHostByName(HWND wnd, UINT msg, const std::string& name)
{
    return startLookup(wnd, msg, [name] { return resolveName(name); });
}

HANDLE WSAAsyncGetHostByAddr(HWND wnd, UINT msg, std::uint32_t address)
{
    return startLookup(wnd, msg, [address] { return resolveAddress(address); });
}

std::optional<HostEntry> takeLookupResult(HANDLE task)
{
    Lookups& l = lookups();
    std::lock_guard guard(l.lock);
    const auto found = l.tasks.find(task);
    if (found == l.tasks.end() || !found->second.done)
        return std::nullopt;
    std::optional<HostEntry> result = std::move(found->second.result);
    l.tasks.erase(found);
    l.finished.erase(std::remove(l.finished.begin(), l.finished.end(), task), l.finished.end());
    return result;
}

int WSACancelAsyncRequest(HANDLE task)
{
    if (!checkStarted())
        return SOCKET_ERROR;
    Lookups& l = lookups();
    std::lock_guard guard(l.lock);
    const auto found = l.tasks.find(task);
    if (found == l.tasks.end() || found->second.cancelled)
        return fail(WSAEINVAL);
    if (found->second.done) {
        l.tasks.erase(found);
        l.finished.erase(std::remove(l.finished.begin(), l.finished.end(), task), l.finished.end());
    } else {
        found->second.cancelled = true; // the worker drops it when it ends
    }
    WSASetLastError(0);
    return 0;
}

} // namespace platform
