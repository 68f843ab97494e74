#pragma once

// The FTP engine on loopback inside the test's network namespace, a home made for each
// test, and the outside clients of support/FtpClients.h.

#include "net/FtpSrv.h"
#include "support/FtpClients.h"
#include "support/TempTree.h"
#include "support/NetnsFixture.h"
#include "support/SocketTestSupport.h"

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace ftptest {

// The server under test, serving a fresh home on 127.0.0.1 at a port of the system's choice.
class FtpServerTest : public ::testing::Test {
protected:
    FtpServerTest()
    {
        // Strings built rather than assigned from literals: GCC 12 warns falsely about those.
        server.Addr = std::string("127.0.0.1");
        server.Port = std::to_string(0);
        server.OnClientConnect = [this](TFtpServer*, TFtpCtrlSocket* Client, std::uint16_t) {
            Client->HomeDir = home.Root();
        };
        server.Start();
        port = server.ServerSocket().GetXPort();
    }

    ClientRun Python(const std::string& script, const QStringList& arguments = {}, int timeoutMs = 20000)
    {
        return RunClient("python3", QStringList{"-c", QString::fromStdString(pythonPrelude + script), Port()} + arguments,
                         timeoutMs);
    }

    // lftp with quick failures and no TLS attempt, logged in, running the commands given.
    ClientRun Lftp(const std::string& commands, int timeoutMs = 20000)
    {
        const std::string settings = "set net:max-retries 1; set net:timeout 5; set ftp:ssl-allow no; "
                                     "set cmd:fail-exit no; ";
        return RunClient("lftp", {"-u", "user,secret", "-p", Port(), "-e", QString::fromStdString(settings + commands + "; quit"),
                                  "127.0.0.1"},
                         timeoutMs);
    }

    // curl with the server's URL for the path given and the arguments after it.
    ClientRun Curl(const std::string& path, const QStringList& arguments = {}, int timeoutMs = 20000)
    {
        return RunClient("curl", QStringList{"-sS", "--max-time", "15", "-u", "user:secret",
                                             QString::fromStdString("ftp://127.0.0.1:" + port + path)}
                                     + arguments,
                         timeoutMs);
    }

    QString Port() const { return QString::fromStdString(port); }

    testfs::TempTree home;
    TFtpServer server;
    std::string port;
};

// The process's resident memory in bytes.
inline long ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

// Descriptors the process has open.
inline int OpenDescriptors()
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

// The client's output, line for line, is the lines expected.
inline void ExpectLines(const ClientRun& run, const std::vector<std::string>& expected)
{
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), expected.size()) << run.out << run.err;
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[i], expected[i]) << "line " << i;
}

} // namespace ftptest
