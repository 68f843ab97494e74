#include "net/FtpSrvC.h"

#include "net/FireEvent.h"
#include "net/FtpPath.h"
#include "net/WSocketLoader.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace platform;

namespace {

constexpr std::int32_t defaultRcvSize = 2048;
constexpr std::int32_t minimumBuffer = 8;

} // namespace

std::string DefaultFtpHomeDir()
{
    const char* temp = std::getenv("TMPDIR");
    return ftppath::AsDirectory(temp && *temp == '/' ? temp : "/tmp");
}

TFtpCtrlSocket::TFtpCtrlSocket() : HomeDir(DefaultFtpHomeDir()), directory_(HomeDir)
{
    SetRcvSize(defaultRcvSize);
}

TFtpCtrlSocket::~TFtpCtrlSocket()
{
    receiveCount_ = 0;
}

void TFtpCtrlSocket::SetRcvSize(std::int32_t Size)
{
    if (receiveCount_ != 0)
        throw EFtpCtrlSocketException("Data in buffer, can't change size");
    Size = std::max(Size, 0);
    if (Size == rcvSize_)
        return;
    rcvSize_ = Size;
    // Even the smallest buffer takes the line an over-long one is replaced by.
    receiveBuffer_.assign(Size > 0 ? static_cast<std::size_t>(std::max(Size, minimumBuffer)) : 0, '\0');
}

std::string TFtpCtrlSocket::HomePath() const
{
    if (HomeDir.empty())
        return {};
    if (HomeDir.front() == '/' || HomeDir.front() == '\\')
        return ftppath::AsDirectory(ftppath::WithSlashes(HomeDir));
    char current[4096];
    if (!::getcwd(current, sizeof current))
        return {};
    return ftppath::AsDirectory(std::string(current) + "/" + ftppath::WithSlashes(HomeDir));
}

void TFtpCtrlSocket::SetDirectory(const std::string& NewDir)
{
    if (NewDir == directory_)
        return;
    // Two leading separators name a share on another machine where clients come from; Linux
    // has no such paths (it reads "//x" as "/x"), so with ftpcUNC the name takes the rules
    // of any other.
    if (ftppath::IsUNC(NewDir) && !(Options & ftpcUNC))
        throw EFtpCtrlSocketException("Cannot accept UNC path");
    const std::string path = ftppath::WithSlashes(NewDir);
    std::string target;
    if (path == "..") {
        target = directory_ + "..";
    } else if (path.find("./") != std::string::npos) {
        throw EFtpCtrlSocketException("Cannot accept relative path using dot notation");
    } else if (path.empty() || path.front() != '/') {
        target = directory_ + path;
    } else {
        target = path;
    }
    target = ftppath::AsDirectory(target);
    if (!ftppath::InsideHome(HomePath(), target))
        throw EFtpCtrlSocketException("No permission");
    directory_ = target;
}

void TFtpCtrlSocket::StartConnection()
{
    ConnectedSince = Clock::now();
    LastCommandTime = {};
    CommandCount = 0;
    FtpState = ftpcWaitingUserCode;
    SendStr(Banner + "\r\n");
}

void TFtpCtrlSocket::SendAnswer(const std::string& Answer)
{
    SendStr(Answer + "\r\n");
}

void TFtpCtrlSocket::Dup(SOCKET NewHSocket)
{
    TCustomWSocket::Dup(NewHSocket);
    SavedPeerAddr = TCustomWSocket::GetPeerAddr();
    // A client's abort arrives as urgent data; inline, its bytes stay in the command line.
    const int on = 1;
    WSocket_setsockopt(HSocket(), SOL_SOCKET, SO_OOBINLINE, &on, sizeof on);
    // A reply right after another (226 after 150) must not wait for the client's delayed
    // acknowledgement.
    WSocket_setsockopt(HSocket(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

std::string TFtpCtrlSocket::GetPeerAddr()
{
    return SavedPeerAddr;
}

void TFtpCtrlSocket::TriggerSessionConnected(std::uint16_t Error)
{
    SavedPeerAddr = TCustomWSocket::GetPeerAddr();
    TCustomWSocket::TriggerSessionConnected(Error);
}

bool TFtpCtrlSocket::TriggerDataAvailable(std::uint16_t)
{
    // A client that sends commands without reading the answers waits until it has read
    // them: left unread, its commands stop the system from announcing more.
    if (BufferedByteCount() > FtpAnswerBacklogLimit) {
        readingHeld_ = true;
        if (inputWatch_)
            inputWatch_->remove(HSocket());
        return true;
    }
    const std::span<char> room = FreeSpace();
    if (room.empty())
        return true;
    const std::int32_t received = Receive(room.data(), static_cast<std::int32_t>(room.size()));
    if (received > 0)
        TakeReceived(received);
    return true;
}

std::span<char> TFtpCtrlSocket::FreeSpace()
{
    // One byte stays free for the NUL after the data.
    const std::int32_t room = rcvSize_ - receiveCount_ - 1;
    if (room <= 0)
        return {};
    return {receiveBuffer_.data() + receiveCount_, static_cast<std::size_t>(room)};
}

void TFtpCtrlSocket::TakeReceived(std::int32_t count)
{
    static constexpr char overflowLine[] = "OVER\r\n";
    if (receiveBuffer_.empty())
        return;
    receiveCount_ += std::clamp(count, 0, std::max(rcvSize_ - receiveCount_ - 1, 0));
    receiveBuffer_[static_cast<std::size_t>(receiveCount_)] = '\0';
    char* const buffer = receiveBuffer_.data();
    const SOCKET served = HSocket();
    for (;;) {
        auto* lineEnd = static_cast<char*>(std::memchr(buffer, '\n', static_cast<std::size_t>(receiveCount_)));
        if (!lineEnd) {
            if (receiveCount_ < rcvSize_ - 1)
                return;
            std::memcpy(buffer, overflowLine, sizeof overflowLine - 1);
            receiveCount_ = static_cast<std::int32_t>(sizeof overflowLine - 1);
            continue;
        }
        const auto length = static_cast<std::int32_t>(lineEnd - buffer);
        LastCommandTime = Clock::now();
        ++CommandCount;
        TriggerCommand(buffer, length > 1 && buffer[length - 1] == '\r' ? length - 1 : length);
        // A command may have ended the session; nothing after it is for anyone.
        if (length >= receiveCount_ - 1 || HSocket() != served)
            break;
        std::memmove(buffer, lineEnd + 1, static_cast<std::size_t>(receiveCount_ - length - 1));
        receiveCount_ -= length + 1;
    }
    receiveCount_ = 0;
    buffer[0] = '\0';
}

void TFtpCtrlSocket::TriggerDataSent(std::uint16_t Error)
{
    if (readingHeld_ && BufferedByteCount() <= FtpAnswerBacklogLimit) {
        readingHeld_ = false;
        if (inputWatch_)
            inputWatch_->add(HSocket());
        PostMessage(Handle(), WM_ASYNCSELECT, static_cast<WPARAM>(HSocket()), WSAMAKESELECTREPLY(FD_READ, 0));
    }
    TCustomWSocket::TriggerDataSent(Error);
}

void TFtpCtrlSocket::TriggerCommand(const char* CmdBuf, std::int32_t CmdLen)
{
    fire(OnCommand, this, CmdBuf, CmdLen);
}
