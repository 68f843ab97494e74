#pragma once

// The FTP engine on loopback inside the test's network namespace, a home made for each
// test, and outside clients (Python's ftplib and raw sockets, curl, lftp) run while the
// engine keeps serving.

#include "net/FtpSrv.h"
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

using sockettest::pumpFor;
using sockettest::pumpUntil;

struct ClientRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program to its end (timeoutMs at most, then it is killed) while the engine serves.
inline ClientRun RunClient(const QString& program, const QStringList& arguments, int timeoutMs = 20000)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.start();
    ClientRun run;
    if (!process.waitForStarted(5000)) {
        ADD_FAILURE() << program.toStdString() << " did not start";
        return run;
    }
    if (!pumpUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        ADD_FAILURE() << program.toStdString() << " did not finish in " << timeoutMs << " ms";
        process.kill();
        process.waitForFinished(5000);
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

// Python with PORT set from the first argument and these helpers: client() logs in with
// ftplib (login=False only connects), cmd(f, line) answers a command's reply or its error
// text, fetch(f, name) downloads a file and answers its size and MD5, store(f, name, data)
// uploads bytes, pasv_port(reply) reads the port of a 227 reply, and raw() opens a plain
// socket whose line() reads one reply line.
inline const char* const pythonPrelude = R"PY(
import ftplib, hashlib, io, socket, sys, time, os, threading
PORT = int(sys.argv[1])
sys.stdout.reconfigure(encoding="latin-1")
def client(login=True, user="user"):
    f = ftplib.FTP()
    f.connect("127.0.0.1", PORT, timeout=10)
    if login:
        f.login(user, "secret")
    return f
def cmd(f, line):
    try:
        return f.sendcmd(line)
    except ftplib.all_errors as e:
        return str(e)
def fetch(f, name, rest=None):
    digest, count = hashlib.md5(), [0]
    def take(block):
        digest.update(block)
        count[0] += len(block)
    f.retrbinary("RETR " + name, take, rest=rest)
    return count[0], digest.hexdigest()
def store(f, name, data, rest=None, command="STOR"):
    return f.storbinary(command + " " + name if name else command, io.BytesIO(data), rest=rest)
def pasv_port(reply):
    numbers = reply[reply.index("(") + 1:reply.index(")")].split(",")
    return int(numbers[4]) * 256 + int(numbers[5])
class raw:
    def __init__(self):
        self.s = socket.create_connection(("127.0.0.1", PORT), timeout=10)
        self.f = self.s.makefile("rb")
    def send(self, data):
        self.s.sendall(data)
    def line(self):
        return self.f.readline().decode("latin-1").rstrip("\r\n")
    def ask(self, data):
        self.send(data)
        return self.line()
)PY";

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

// Lines of a text, without their ends.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

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

} // namespace ftptest
