#include "platform/win/WinSockErrors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <netdb.h>

using namespace platform;

TEST(WinSockErrors, ErrnoMapsToTheWindowsSocketsNumbers)
{
    const std::pair<int, int> cases[] = {
        {EAGAIN, 10035},       {EINPROGRESS, 10035}, {EALREADY, 10037},     {EBADF, 10038},
        {ENOTSOCK, 10038},     {EACCES, 10013},      {EPERM, 10013},        {EINVAL, 10022},
        {EMFILE, 10024},       {EADDRINUSE, 10048},  {EADDRNOTAVAIL, 10049}, {ENETUNREACH, 10051},
        {ECONNABORTED, 10053}, {ECONNRESET, 10054},  {ENOMEM, 10055},       {ENOTCONN, 10057},
        {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061}, {EHOSTUNREACH, 10065}, {EOPNOTSUPP, 10045},
    };
    for (const auto& [error, wsa] : cases)
        EXPECT_EQ(wsaErrorFromErrno(error), wsa) << "errno " << error;
}

TEST(WinSockErrors, BrokenPipeIsAResetUnlessThisSideShutDownAndUnknownErrnoPassesThrough)
{
    EXPECT_EQ(wsaErrorFromErrno(EPIPE), WSAECONNRESET);
    EXPECT_EQ(wsaErrorFromErrno(EPIPE, true), WSAESHUTDOWN);
    EXPECT_EQ(wsaErrorFromErrno(ENOENT), ENOENT);
}

TEST(WinSockErrors, LookupFailuresMapToTheHostErrors)
{
    EXPECT_EQ(wsaErrorFromLookup(0, 0), 0);
    EXPECT_EQ(wsaErrorFromLookup(EAI_NONAME, 0), WSAHOST_NOT_FOUND);
    EXPECT_EQ(wsaErrorFromLookup(EAI_AGAIN, 0), WSATRY_AGAIN);
    EXPECT_EQ(wsaErrorFromLookup(EAI_FAIL, 0), WSANO_RECOVERY);
    EXPECT_EQ(wsaErrorFromLookup(EAI_NODATA, 0), WSANO_DATA);
    EXPECT_EQ(wsaErrorFromLookup(EAI_SYSTEM, ECONNREFUSED), WSAECONNREFUSED);
}
