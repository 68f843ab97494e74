#include "platform/win/AsyncSelect.h"

#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace platform::winsock {
namespace {

void post(SOCKET s, const SocketEntry& entry, long event, int error)
{
    if (entry.events & event)
        PostMessage(entry.wnd, entry.msg, static_cast<WPARAM>(s), WSAMAKESELECTREPLY(event, error));
}

// The notifiers are level-triggered, so each is armed only while a notice may be given:
// armed for good, a writable socket would post FD_WRITE without end.
void updateNotifiers(SocketEntry& entry)
{
    const bool selected = entry.events != 0;
    const bool readable = entry.listening || entry.connected || entry.type != SOCK_STREAM;
    const bool wantRead = selected && readable && !entry.readPosted && !entry.closePosted
        && !entry.connectFailed && !entry.connecting;
    const bool wantWrite = selected && !entry.connectFailed
        && (entry.connecting || (entry.writeWanted && (entry.events & FD_WRITE)));
    if (entry.readNotifier)
        entry.readNotifier->setEnabled(wantRead);
    if (entry.writeNotifier)
        entry.writeNotifier->setEnabled(wantWrite);
}

void completeConnect(SOCKET s, SocketEntry& entry)
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(entry.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    entry.connecting = false;
    if (error == ECONNRESET) {
        // Connected, then reset before we looked: the connection did exist, and it ended.
        entry.connected = true;
        entry.closePosted = true;
        post(s, entry, FD_CONNECT, 0);
        post(s, entry, FD_CLOSE, WSAECONNRESET);
    } else if (error != 0) {
        entry.connectFailed = true;
        post(s, entry, FD_CONNECT, wsaErrorFromErrno(error));
    } else {
        // Windows Sockets follows a completed connect with FD_WRITE.
        entry.connected = true;
        post(s, entry, FD_CONNECT, 0);
        post(s, entry, FD_WRITE, 0);
    }
}

void onWritable(SOCKET s)
{
    std::lock_guard guard(tableLock());
    SocketEntry* entry = findSocket(s);
    if (!entry)
        return;
    if (entry->connecting) {
        completeConnect(s, *entry);
    } else if (entry->writeWanted) {
        entry->writeWanted = false;
        post(s, *entry, FD_WRITE, 0);
    }
    updateNotifiers(*entry);
}

// A readable stream socket with nothing to read has reached the end: the peer's FIN (error
// 0) or a failure such as a reset. Because this is only looked at once no byte is waiting,
// FD_CLOSE always comes after every byte was offered with FD_READ.
void checkForClose(SOCKET s, SocketEntry& entry)
{
    char probe;
    const ssize_t peeked = ::recv(entry.fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked > 0) {
        entry.readPosted = true;
        post(s, entry, FD_READ, 0);
        return;
    }
    if (peeked < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return; // woken for nothing: stay armed
    entry.closePosted = true;
    post(s, entry, FD_CLOSE, peeked == 0 ? 0 : wsaErrorFromErrno(errno));
}

void onReadable(SOCKET s)
{
    std::lock_guard guard(tableLock());
    SocketEntry* entry = findSocket(s);
    if (!entry)
        return;
    if (entry->listening) {
        entry->readPosted = true;
        post(s, *entry, FD_ACCEPT, 0);
    } else if (entry->type != SOCK_STREAM) {
        entry->readPosted = true;
        post(s, *entry, FD_READ, 0);
    } else {
        int waiting = 0;
        if (::ioctl(entry->fd, FIONREAD, &waiting) == 0 && waiting > 0) {
            entry->readPosted = true;
            post(s, *entry, FD_READ, 0);
        } else {
            checkForClose(s, *entry);
        }
    }
    updateNotifiers(*entry);
}

// Notifiers belong to the thread that selects, which is the thread whose loop delivers them.
void makeNotifiers(SOCKET s, SocketEntry& entry)
{
    if (entry.readNotifier && entry.readNotifier->thread() == QThread::currentThread())
        return;
    entry.readNotifier = std::make_unique<QSocketNotifier>(entry.fd, QSocketNotifier::Read);
    entry.writeNotifier = std::make_unique<QSocketNotifier>(entry.fd, QSocketNotifier::Write);
    QObject::connect(entry.readNotifier.get(), &QSocketNotifier::activated, [s] { onReadable(s); });
    QObject::connect(entry.writeNotifier.get(), &QSocketNotifier::activated, [s] { onWritable(s); });
}

} // namespace

void selectEvents(SOCKET s, SocketEntry& entry, HWND wnd, UINT msg, long events)
{
    const int flags = ::fcntl(entry.fd, F_GETFL);
    if (flags >= 0 && !(flags & O_NONBLOCK))
        ::fcntl(entry.fd, F_SETFL, flags | O_NONBLOCK);
    entry.wnd = wnd;
    entry.msg = msg;
    entry.events = events;
    if (events != 0) {
        makeNotifiers(s, entry);
        // A new selection reports again whatever holds now, as Windows Sockets does: data
        // waiting, a pending connection, the end of the stream, a socket able to send.
        entry.readPosted = false;
        entry.closePosted = false;
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        if (!entry.listening && !entry.connecting
            && ::getpeername(entry.fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0) {
            entry.connected = true;
            entry.writeWanted = true;
        }
    }
    updateNotifiers(entry);
}

void readConsumed(SocketEntry& entry)
{
    entry.readPosted = false;
    updateNotifiers(entry);
}

void sendWouldBlock(SocketEntry& entry)
{
    entry.writeWanted = true;
    updateNotifiers(entry);
}

void connectStarted(SocketEntry& entry)
{
    entry.connecting = true;
    updateNotifiers(entry);
}

void listenStarted(SocketEntry& entry)
{
    entry.listening = true;
    updateNotifiers(entry);
}

} // namespace platform::winsock
