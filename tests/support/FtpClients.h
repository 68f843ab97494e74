#pragma once

// Outside FTP clients (Python's ftplib and raw sockets, curl, lftp, any program) run to
// their end while the event loop goes on, so a server in this process keeps serving them.

#include "support/SocketTestSupport.h"

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

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

// Lines of a text, without their ends.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace ftptest
