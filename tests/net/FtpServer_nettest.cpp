#include "net/FtpTestSupport.h"

#include <algorithm>

using namespace ftptest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

class FtpServer : public FtpServerTest {};

} // namespace

TEST_F(FtpServer, CommandLinesAreSplitCleanedOfTelnetEscapesAndDispatched)
{
    std::vector<std::string> seen;
    server.OnClientCommand = [&](TFtpServer*, TFtpCtrlSocket*, TFtpString& Keyword, TFtpString& Params,
                                 TFtpString& Answer) {
        seen.push_back(Keyword + "|" + Params);
        if (Keyword == "HELLO")
            Answer = "299 Hooked.";
        if (Keyword == "REDIRECT")
            Keyword = "NOOP";
    };
    const ClientRun run = Python(R"(
c = raw()
print(c.line())
print(c.ask(b"  list -la\r\n"))
print(c.ask(b"\xff\xffabc\r\n"))
print(c.ask(b"xmkd d\r\n"))
print(c.ask(b"HELLO there\r\n"))
print(c.ask(b"redirect x\r\n"))
c.send(b"NOOP 1\r\nNOOP 2\r\nNOOP 3\r\n")
print(c.line()); print(c.line()); print(c.line())
c.send(b"NO"); time.sleep(0.1); c.send(b"OP 4\r"); time.sleep(0.1); c.send(b"\n")
print(c.line())
print(c.ask(b"NOOP 5\n"))
print(c.ask(b"NOOP  two blanks \r\n"))
print(c.ask(b"NOOP\t\ttabs\r\n"))
print(len(c.ask(b"NOOP " + b"x" * 2040 + b"\r\n")))
print(len(c.ask(b"NOOP " + b"y" * 2041 + b"\n")))
print(c.ask(b"NOOP a\x00b\r\n"))
print(c.ask(b"NOOP a\rb\r\n"))
print(c.ask(b"\xff\xf4\xff\xf2NOOP 6\r\n"))
print(c.ask(b"\r\n"))
d = raw()
d.line()
d.send(b"x" * 2047)
print(d.line())
print(d.s.recv(10) == b"")
)");
    EXPECT_EQ(run.out, "220 Pelvaxon FTP Server ready.\n"
                       "530 Please login with USER and PASS.\n"
                       "500 '\xff" "abc': command not understood.\n"
                       "530 Please login with USER and PASS.\n"
                       "299 Hooked.\n"
                       "200 Ok. Parameter was 'x'.\n"
                       "200 Ok. Parameter was '1'.\n"
                       "200 Ok. Parameter was '2'.\n"
                       "200 Ok. Parameter was '3'.\n"
                       "200 Ok. Parameter was '4'.\n"
                       "200 Ok. Parameter was '5'.\n"
                       "200 Ok. Parameter was ' two blanks '.\n"
                       "200 Ok. Parameter was '\ttabs'.\n"
                       "2065\n"
                       "2066\n"
                       "501 Syntax error in parameter.\n"
                       "200 Ok. Parameter was 'a?b'.\n"
                       "200 Ok. Parameter was '6'.\n"
                       "500 '?': command not understood.\n"
                       "500 Command too long\n"
                       "True\n")
        << run.err;
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen[0], "LIST|-la");
    EXPECT_EQ(seen[1], "|\xff" "abc");
    EXPECT_EQ(seen[2], "XMKD|d");
    // Lines as long as the buffer holds reach everyone whole.
    EXPECT_NE(std::find(seen.begin(), seen.end(), "NOOP|" + std::string(2040, 'x')), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), "NOOP|" + std::string(2041, 'y')), seen.end());
}

TEST_F(FtpServer, FtplibCurlAndLftpLogInAndMoveBetweenDirectories)
{
    const std::string root = home.Root();
    home.Dir("sub/deeper");
    home.Link("/etc", "etclink");
    server.OnAuthenticate = [](TFtpServer*, TFtpCtrlSocket*, const TFtpString& UserName, const TFtpString&,
                               bool& Authenticated) { Authenticated = UserName != "intruder"; };

    // A sibling whose name begins with the home's name is no part of it.
    ASSERT_EQ(::mkdir((root + "x").c_str(), 0755), 0);
    const ClientRun ftplib = Python(R"(
c = raw()
c.line()
print(c.ask(b"PASS early\r\n"))
print(c.ask(b"PWD\r\n"))
print(c.ask(b"USER intruder\r\n"))
print(c.ask(b"PASS x\r\n"))
f = client()
print(f.pwd())
print(cmd(f, "CWD sub/deeper"))
print(cmd(f, "CDUP"))
print(cmd(f, "XPWD"))
print(cmd(f, "CWD ../x"))
print(cmd(f, "CWD .."))
print(cmd(f, "CWD /etc"))
print(cmd(f, "CWD etclink"))
print(cmd(f, "CWD ../../.."))
print(cmd(f, "CDUP"))
print(cmd(f, "CWD " + sys.argv[2] + "x"))
print(cmd(f, "CWD sub\\deeper"))
print(cmd(f, "TYPE a"))
print(cmd(f, "TYPE L 8"))
print(cmd(f, "MODE  s "))
print(cmd(f, "MODE B"))
print(cmd(f, "STRU  F "))
print(cmd(f, "REST  7 "))
print(cmd(f, "REST 0"))
print(cmd(f, "SYST"))
print(f.quit())
)", {QString::fromStdString(root)});
    ::rmdir((root + "x").c_str());
    EXPECT_EQ(ftplib.out, "503 Login with USER first.\n"
                          "530 Please login with USER and PASS.\n"
                          "331 Password required for intruder.\n"
                          "530 Login incorrect.\n"
                          + root + "/\n"
                          "250 CWD command successful. \"" + root + "/sub/deeper/\" is current directory.\n"
                          "250 CWD command successful. \"" + root + "/sub/\" is current directory.\n"
                          "257 \"" + root + "/sub/\" is current directory.\n"
                          "501 CWD failed. Cannot accept relative path using dot notation\n"
                          "250 CWD command successful. \"" + root + "/\" is current directory.\n"
                          "501 CWD failed. No permission\n"
                          "501 CWD failed. No permission\n"
                          "501 CWD failed. Cannot accept relative path using dot notation\n"
                          "501 CWD failed. No permission\n"
                          "501 CWD failed. No permission\n"
                          "250 CWD command successful. \"" + root + "/sub/deeper/\" is current directory.\n"
                          "200 Type set to a.\n"
                          "500 'TYPE L 8': command not understood.\n"
                          "200 MODE Ok\n"
                          "502 MODE other than S not supported\n"
                          "200 Ok. STRU parameter 'F' ignored.\n"
                          "350 REST supported. Ready to resume at byte offset 7.\n"
                          "350 REST supported. Ready to resume at byte offset 0.\n"
                          "215 UNIX Type: L8 Pelvaxon\n"
                          "221 Goodbye.\n")
        << ftplib.err;

    // curl logs in and walks to the directory of its URL; the listing after it is not served yet.
    const ClientRun curl = Curl("/sub/deeper/", {"-v"});
    EXPECT_NE(curl.err.find("< 230 User user logged in."), std::string::npos) << curl.err;
    EXPECT_NE(curl.err.find("< 250 CWD command successful. \"" + root + "/sub/deeper/\""), std::string::npos)
        << curl.err;

    const ClientRun lftp = Lftp("quote PWD; cd sub; quote PWD; cd /etc; quote PWD; cd ..; quote PWD");
    EXPECT_EQ(lftp.out, "257 \"" + root + "/\" is current directory.\n"
                        "257 \"" + root + "/sub/\" is current directory.\n"
                        "257 \"" + root + "/sub/\" is current directory.\n"
                        "257 \"" + root + "/\" is current directory.\n")
        << lftp.err;
    EXPECT_NE(lftp.err.find("501 CWD failed. No permission"), std::string::npos) << lftp.err;
}

TEST_F(FtpServer, AClientBeyondTheLimitIsTurnedAwayAndTheOthersStay)
{
    server.MaxClients = 1;
    const ClientRun run = Python(R"(
first = raw()
print(first.line())
second = raw()
print(second.line())
print(second.s.recv(10) == b"")
print(first.ask(b"NOOP still\r\n"))
)");
    EXPECT_EQ(run.out, "220 Pelvaxon FTP Server ready.\n"
                       "421 Too many users connected.\n"
                       "True\n"
                       "200 Ok. Parameter was 'still'.\n")
        << run.err;
}

TEST_F(FtpServer, DisconnectAllRemovesEveryClientAndARestartServesAtOnce)
{
    int disconnected = 0;
    server.OnClientDisconnect = [&](TFtpServer*, TFtpCtrlSocket*, std::uint16_t) { ++disconnected; };
    int made = 0;
    server.ClientClass = [&made] {
        ++made;
        return std::make_unique<TFtpCtrlSocket>();
    };
    QProcess clients;
    clients.start("python3", {"-c", QString::fromStdString(std::string(pythonPrelude) + R"(
cs = [client() for _ in range(3)]
print("in", flush=True)
for f in cs:
    print(f.sock.recv(10) == b"")
)"),
                              Port()});
    ASSERT_TRUE(pumpUntil([&] { return clients.canReadLine(); }, 10000));
    ASSERT_EQ(server.ClientCount(), 3);
    EXPECT_EQ(made, 3);
    server.DisconnectAll();
    EXPECT_EQ(server.ClientCount(), 0);
    EXPECT_EQ(disconnected, 3);
    ASSERT_TRUE(pumpUntil([&] { return clients.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(clients.readAllStandardOutput().toStdString(), "in\nTrue\nTrue\nTrue\n");

    // Quitting clients leave the port in TIME_WAIT; the listener takes it again at once.
    EXPECT_EQ(Python("print(client().quit())").out, "221 Goodbye.\n");
    ASSERT_TRUE(pumpUntil([&] { return server.ClientCount() == 0; }));
    int stops = 0;
    server.OnStop = [&](TFtpServer*) { ++stops; };
    server.Stop();
    EXPECT_FALSE(server.Active());
    EXPECT_EQ(stops, 1);
    server.Port = port;
    server.Start();
    EXPECT_TRUE(server.Active());
    EXPECT_EQ(Python("print(client().quit())").out, "221 Goodbye.\n");
    EXPECT_THROW(server.Disconnect(nullptr), FtpServerException);
}
