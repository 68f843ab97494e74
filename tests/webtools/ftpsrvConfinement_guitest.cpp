// What clients of the FTP window may reach: the start directory and nothing else, whole
// files in both directions, and the window's own checks behind the engine's.
#include "net/FtpSrv.h"
#include "platform/graphics/Stream.h"
#include "support/NetnsFixture.h"
#include "webtools/support/FtpWindow.h"

#include <sys/stat.h>

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

using namespace ftpwindowtest;

// Every byte value, 1 MiB.
std::string AllByteValues()
{
    std::string data(1 << 20, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
    return data;
}

class FtpWindowConfinement : public FtpWindowTest {
protected:
    // What the window's handlers say of a client in `directory` asking for `file`.
    std::string verdict(void (TftpservForm::*handler)(TFtpServer*, TFtpCtrlSocket*, TFtpString&, bool),
                        const std::string& directory, std::string listed = "")
    {
        TFtpCtrlSocket client;
        client.HomeDir = "/";
        client.SetDirectory(directory);
        try {
            (form.get()->*handler)(form->FtpServer1.get(), &client, listed, true);
        } catch (const std::exception& E) {
            return E.what();
        }
        return "allowed";
    }
    bool mayChangeTo(const std::string& directory)
    {
        TFtpCtrlSocket client;
        bool allowed = true;
        form->FtpServer1ChangeDirectory(form->FtpServer1.get(), &client, directory, allowed);
        return allowed;
    }
};

TEST_F(FtpWindowConfinement, ParametersWithDotDotAreRefusedAndNeverLogged)
{
    start();
    const ClientRun run = python(R"(
c = raw()
c.line()
c.ask(b"USER u\r\n"); c.ask(b"PASS p\r\n")
print(c.ask(b"CWD ..\r\n"))
print(c.ask(b"CWD " + b"long" * 40 + b"/..\r\n"))
print(c.ask(b"NOOP a..b\r\n"))
print(c.ask(b"PWD\r\n"))
)");
    std::vector<std::string> expected(3, "501 Illegal characters: ..");
    expected.push_back("257 \"" + served + "/\" is current directory.");
    EXPECT_EQ(ftptest::Lines(run.out), expected) << run.err;
    EXPECT_EQ(count("> 127.0.0.1 501 Illegal characters: .."), 3);
    EXPECT_TRUE(form->InfoMemo->toPlainText().indexOf("< 127.0.0.1 CWD") < 0);
}

TEST_F(FtpWindowConfinement, NothingOutsideTheStartDirectoryIsReachedOrChanged)
{
    const std::string outside = tree.File("outside.txt", "keep me");
    const std::string sibling = tree.File("servedx/secret.txt", "sibling");
    tree.Dir("outdir");
    tree.Link(tree.Root() + "/outdir", "served/escape");
    tree.File("served/mine.txt", "mine");
    start();
    const ClientRun run = python(R"(
import sys
root = sys.argv[2]
c = raw()
c.line()
c.ask(b"USER u\r\n"); c.ask(b"PASS p\r\n")
for line in ["CWD " + root, "CWD " + root + "/servedx", "CWD escape", "RETR /etc/passwd",
             "RETR " + root + "/outside.txt", "RETR " + root + "/servedx/secret.txt",
             "STOR " + root + "/new.txt", "STOR escape/new.txt", "APPE " + root + "/outside.txt",
             "DELE " + root + "/outside.txt", "RNFR " + root + "/outside.txt", "MKD " + root + "/made",
             "MKD escape/made", "RMD " + root + "/outdir", "SIZE /etc/passwd"]:
    print(line.split()[0], c.ask(line.encode() + b"\r\n")[:1])
print(c.ask(b"RNFR mine.txt\r\n")[:3], c.ask(b"RNTO " + root.encode() + b"/moved.txt\r\n")[:1])
print(c.ask(b"PWD\r\n"))
)",
                                 {QString::fromStdString(tree.Root())});
    const std::vector<std::string> lines = ftptest::Lines(run.out);
    ASSERT_EQ(lines.size(), 17u) << run.out << run.err;
    for (std::size_t i = 0; i < 15; ++i)
        EXPECT_TRUE(lines[i].ends_with(" 5")) << lines[i];
    EXPECT_EQ(lines[15], "350 5");
    EXPECT_EQ(lines[16], "257 \"" + served + "/\" is current directory.");
    EXPECT_EQ(testsupport::readFile(outside), "keep me");
    EXPECT_EQ(testsupport::readFile(sibling), "sibling");
    EXPECT_EQ(testsupport::readFile(served + "/mine.txt"), "mine");
    struct stat status {};
    for (const char* name : {"/new.txt", "/made", "/moved.txt", "/outdir/new.txt", "/outdir/made"})
        EXPECT_NE(::lstat((tree.Root() + name).c_str(), &status), 0) << name;
    EXPECT_EQ(::lstat((tree.Root() + "/outdir").c_str(), &status), 0);
}

TEST_F(FtpWindowConfinement, TheWindowsOwnChecksRefuseWhatTheEngineMightLetThrough)
{
    const std::string outdir = tree.Dir("outdir");
    tree.Dir("servedx");
    tree.Dir("SERVED");
    tree.Dir("served/sub");
    tree.Link(outdir, "served/escape");
    start();
    for (const std::string& directory : {served + "/", served + "/sub/"})
        EXPECT_TRUE(mayChangeTo(directory)) << directory;
    for (const std::string& directory :
         {tree.Root() + "/", tree.Root() + "/servedx/", tree.Root() + "/SERVED/", served + "/escape/"})
        EXPECT_FALSE(mayChangeTo(directory)) << directory;

    const auto build = &TftpservForm::FtpServer1BuildDirectory;
    const auto alter = &TftpservForm::FtpServer1AlterDirectory;
    const std::string prohibited = "Access prohibited !";
    EXPECT_EQ(verdict(build, served + "/sub/"), "allowed");
    EXPECT_EQ(verdict(build, outdir + "/"), prohibited);
    EXPECT_EQ(verdict(build, tree.Root() + "/servedx/"), prohibited);
    EXPECT_EQ(verdict(build, served + "/", "sub/../.."), "Illegal characters: ..");
    EXPECT_EQ(verdict(alter, served + "/"), "allowed");
    EXPECT_EQ(verdict(alter, outdir + "/"), prohibited);

    // Refusals leave a transfer's stream alone: the engine owns it and the transfer goes on.
    TFtpCtrlSocket client;
    platform::MemoryStream running;
    client.DataStream = &running;
    TFtpString keyword = "NOOP", params = "..", answer;
    EXPECT_THROW(form->FtpServer1ClientCommand(form->FtpServer1.get(), &client, keyword, params, answer),
                 FtpServerException);
    client.HomeDir = "/";
    client.SetDirectory(outdir + "/");
    TFtpString listed;
    EXPECT_THROW(form->FtpServer1AlterDirectory(form->FtpServer1.get(), &client, listed, true), FtpServerException);
    EXPECT_EQ(client.DataStream, &running);

    const auto retr = [&](const std::string& file) {
        client.FilePath = file;
        form->FtpServer1RetrSessionConnected(form->FtpServer1.get(), &client, nullptr, 0);
    };
    for (const std::string& file : {std::string("/etc/passwd"), served + "/escape/x", tree.Root() + "/servedx/y"})
        EXPECT_THROW(retr(file), FtpServerException) << file;
    EXPECT_NO_THROW(retr(served + "/sub/file"));
    EXPECT_NO_THROW(retr(""));
}

TEST_F(FtpWindowConfinement, BehindAWiderEngineHomeTheWindowStillRefusesListingsAndDownloads)
{
    tree.File("outdir/secret.txt", "secret");
    // The engine is told the whole tree is home and the window's directory check is taken away.
    const auto windowConnect = form->FtpServer1->OnClientConnect;
    form->FtpServer1->OnClientConnect = [&](TFtpServer* Sender, TFtpCtrlSocket* Client, std::uint16_t Error) {
        windowConnect(Sender, Client, Error);
        Client->HomeDir = tree.Root();
    };
    form->FtpServer1->OnChangeDirectory = nullptr;
    start();
    const ClientRun run = python(R"(
f = client()
print(cmd(f, "CWD " + sys.argv[2] + "/outdir"))
try:
    f.retrlines("LIST")
except ftplib.all_errors as e:
    print(e)
try:
    fetch(f, "secret.txt")
except ftplib.all_errors as e:
    print(e)
print(cmd(f, "NOOP"))
)",
                                 {QString::fromStdString(tree.Root())});
    const std::vector<std::string> lines = ftptest::Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out << run.err;
    EXPECT_TRUE(lines[0].starts_with("250 ")) << lines[0];
    EXPECT_EQ(lines[1], "451 Failed: Access prohibited !.");
    EXPECT_EQ(lines[2], "501 Cannot RETR. Access prohibed !");
    EXPECT_TRUE(lines[3].starts_with("200 ")) << lines[3];
}

TEST_F(FtpWindowConfinement, FilesRoundTripWholeWithEveryClientPassiveAndActive)
{
    const std::string data = AllByteValues();
    testsupport::writeFile(tree.Root() + "/local.bin", data);
    start();
    const ClientRun run = python(R"(
data = open(sys.argv[2] + "/local.bin", "rb").read()
for passive in (True, False):
    f = client()
    f.set_pasv(passive)
    name = "py%d.bin" % passive
    store(f, name, data)
    print(fetch(f, name) == (len(data), hashlib.md5(data).hexdigest()), f.size(name) == len(data))
    f.quit()
)",
                                 {QString::fromStdString(tree.Root())});
    EXPECT_EQ(run.out, "True True\nTrue True\n") << run.err;
    EXPECT_EQ(testsupport::readFile(served + "/py1.bin"), data);
    EXPECT_EQ(testsupport::readFile(served + "/py0.bin"), data);

    EXPECT_EQ(curl("/curl.bin", {"-T", QString::fromStdString(tree.Root() + "/local.bin")}).exitCode, 0);
    EXPECT_EQ(testsupport::readFile(served + "/curl.bin"), data);
    const ClientRun active =
        curl("/curl.bin", {"--ftp-port", "127.0.0.1", "-o", QString::fromStdString(tree.Root() + "/back.bin")});
    EXPECT_EQ(active.exitCode, 0) << active.err;
    EXPECT_EQ(testsupport::readFile(tree.Root() + "/back.bin"), data);
    const ClientRun listing = curl("/", {"-l"});
    EXPECT_EQ(listing.out, "curl.bin\npy0.bin\npy1.bin\n") << listing.err;

    const std::string commands = "set net:max-retries 1; set net:timeout 5; set ftp:ssl-allow no; put " + tree.Root()
                                 + "/local.bin -o lftp.bin; get lftp.bin -o " + tree.Root()
                                 + "/lftp-back.bin; ls; quit";
    const ClientRun lftp =
        RunClient("lftp", {"-u", "u,p", "-p", port(), "-e", QString::fromStdString(commands), "127.0.0.1"});
    EXPECT_EQ(lftp.exitCode, 0) << lftp.err;
    EXPECT_NE(lftp.out.find(" lftp.bin"), std::string::npos) << lftp.out;
    EXPECT_EQ(testsupport::readFile(served + "/lftp.bin"), data);
    EXPECT_EQ(testsupport::readFile(tree.Root() + "/lftp-back.bin"), data);
}

TEST_F(FtpWindowConfinement, ARefusedCommandDuringADownloadLeavesItWhole)
{
    const std::string data = AllByteValues();
    testsupport::writeFile(served + "/big.bin", data);
    start();
    const ClientRun run = python(R"(
f = client()
f.voidcmd("TYPE I")
host, port = ftplib.parse227(f.sendcmd("PASV"))
d = socket.socket()
d.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
d.connect((host, port))
print(f.sendcmd("RETR big.bin")[:3])
got = d.recv(8192)
print(cmd(f, "NOOP .."))
got += d.makefile("rb").read()
d.close()
print(got == open(sys.argv[2], "rb").read())
print(f.voidresp())
)",
                                 {QString::fromStdString(served + "/big.bin")});
    EXPECT_EQ(ftptest::Lines(run.out),
              (std::vector<std::string>{"150", "501 Illegal characters: ..", "True", "226 File sent ok"}))
        << run.err;
}

} // namespace
