// Uploads: where their bytes go, what they leave when they end early, and how a session
// that ends meanwhile lets them finish first.
#include "net/FtpTestSupport.h"

#include "support/FileContents.h"
#include "support/RandomBytes.h"

using namespace ftptest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

class FtpUploads : public FtpServerTest {};

} // namespace

TEST_F(FtpUploads, ARestartOffsetIsKeptOrRefusedNeverMoved)
{
    const std::string root = home.Root();
    const std::string ten = "0123456789";
    for (const char* name : {"past.bin", "huge.bin", "end.bin", "inside.bin"})
        home.File(name, ten);
    const ClientRun run = Python(R"(
f = client()
for name, rest, data in [("past.bin", 20, b"abc"), ("huge.bin", 1 << 62, b"abc"), ("missing.bin", 3, b"abc"),
                         ("end.bin", 10, b"abc"), ("inside.bin", 4, b"xy")]:
    try:
        print(store(f, name, data, rest=rest))
    except ftplib.error_perm as e:
        print(e)
print(store(f, "plain.bin", b"zz"))
)");
    const std::string beyond = "501 Cannot STOR. Restart offset ";
    ExpectLines(run, {beyond + "20 lies beyond the end of '" + root + "/past.bin' (10 bytes)",
                      beyond + "4611686018427387904 lies beyond the end of '" + root + "/huge.bin' (10 bytes)",
                      beyond + "3 lies beyond the end of '" + root + "/missing.bin' (0 bytes)", "226 File received ok",
                      "226 File received ok", "226 File received ok"});
    EXPECT_EQ(testsupport::readFile(root + "/past.bin"), ten);
    EXPECT_EQ(testsupport::readFile(root + "/huge.bin"), ten);
    EXPECT_FALSE(std::filesystem::exists(root + "/missing.bin"));
    EXPECT_EQ(testsupport::readFile(root + "/end.bin"), ten + "abc");
    EXPECT_EQ(testsupport::readFile(root + "/inside.bin"), "0123xy6789");
    // A refused offset is not left for the next upload.
    EXPECT_EQ(testsupport::readFile(root + "/plain.bin"), "zz");
}

// Uploads write their file in place, as clients and the file's other names expect: the file
// keeps its owner, inode and links, a name may begin with a blank, and no other name ever
// appears; a QUIT during a transfer waits for its reply.
TEST_F(FtpUploads, UploadsWriteInPlaceAndAQuitWaitsForTheTransfersReply)
{
    const std::string root = home.Root();
    home.File("dup", "original");
    home.File("linked.bin", "old");
    ASSERT_EQ(::link(home.Path("linked.bin").c_str(), home.Path("alias.bin").c_str()), 0);
    home.File("big.bin", randomBytes(8 << 20, 30));
    // Another user's set-user-ID program, where the server may write it.
    const std::string setuid = home.File("setuid.bin", "#!/bin/sh\n");
    ::chmod(setuid.c_str(), 04755);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(setuid.c_str(), 65534, 65534), 0);
    }
    struct stat before {};
    ASSERT_EQ(::stat(setuid.c_str(), &before), 0);
    struct stat linkedBefore {};
    ASSERT_EQ(::stat(home.Path("linked.bin").c_str(), &linkedBefore), 0);

    const ClientRun run = Python(R"(
import random, subprocess
ROOT = sys.argv[2]
def contents(name):
    with open(os.path.join(ROOT, name), "rb") as source:
        return source.read()
def names():
    return sorted(os.listdir(ROOT))
def logged_in():
    c = raw()
    c.line()
    c.ask(b"USER u\r\n"); c.ask(b"PASS p\r\n"); c.ask(b"TYPE I\r\n")
    return c
def data_for(c):
    return socket.create_connection(("127.0.0.1", pasv_port(c.ask(b"PASV\r\n"))), timeout=10)
def ended(c):
    return c.s.recv(10) == b""
data = random.Random(4).randbytes(600000)

# A whole upload and a QUIT at once, and a QUIT before the upload's last bytes: the file is
# whole, its 226 comes before the 221.
for name, quit_first in [("quit.bin", False), ("quit2.bin", True)]:
    c = logged_in()
    d = data_for(c)
    print(c.ask(b"STOR " + name.encode() + b"\r\n"))
    if quit_first:
        d.sendall(data[:1000])
        c.send(b"QUIT\r\n")
        time.sleep(0.3)
        d.sendall(data[1000:])
        d.close()
    else:
        d.sendall(data)
        d.close()
        c.send(b"QUIT\r\n")
    print(c.line(), c.line(), ended(c), contents(name) == data)

# A QUIT right after a download's 150: the download goes out whole before 226 and 221.
c = logged_in()
d = data_for(c)
print(c.ask(b"RETR big.bin\r\n"))
c.send(b"QUIT\r\n")
got = d.makefile("rb").read()
d.close()
print(got == contents("big.bin"), c.line(), c.line(), ended(c))

# A parameter begins after one blank: " dup" is a name of its own.
c = logged_in()
d = data_for(c)
print(c.ask(b"STOR  dup\r\n"))
d.sendall(b"blank first"); d.close()
print(c.line())
print(fetch(client(), " dup")[0], contents("dup"), contents(" dup"))

# Over a file with two names and over a set-user-ID file: written in place.
f = client()
print(store(f, "linked.bin", b"new"), contents("alias.bin"))
print(store(f, "setuid.bin", b"replaced"))

# A listing during an upload shows the target and nothing else.
expected = names()
conn = f.transfercmd("STOR listed.bin")
conn.sendall(b"y" * 100000)
listed = [n for n in client().nlst("-la") if n not in (".", "..")]
conn.close()
print(f.voidresp(), sorted(listed) == sorted(expected + ["listed.bin"]))

# Two uploads into one file at once: the second is refused, the first arrives whole.
g = client()
first = f.transfercmd("STOR twice.bin")
first.sendall(b"first" * 1000)
second = g.transfercmd("STOR twice.bin")
try:
    second.sendall(b"second")
except OSError:
    pass
second.close()
print(g.getline().startswith('426 Connection closed; Cannot open file "' + ROOT + '/twice.bin": another upload'))
first.sendall(b"first" * 1000)
first.close()
print(f.voidresp(), contents("twice.bin") == b"first" * 2000)

# An upload whose client is killed midway: the server goes on, with no name but the target.
expected = names()
curl = subprocess.Popen(["curl", "-sS", "-u", "u:p", "-T", "-", "ftp://127.0.0.1:%d/killed.bin" % PORT],
                        stdin=open("/dev/zero", "rb"))
time.sleep(1)
curl.kill()
curl.wait()
print(cmd(client(), "NOOP alive"), names() == sorted(expected + ["killed.bin"]), set(contents("killed.bin")) <= {0})
)",
                                 {QString::fromStdString(root)}, 60000);
    ExpectLines(run, {"150 Opening data connection for quit.bin.", "226 File received ok 221 Goodbye. True True",
                      "150 Opening data connection for quit2.bin.", "226 File received ok 221 Goodbye. True True",
                      "150 Opening data connection for big.bin.", "True 226 File sent ok 221 Goodbye. True",
                      "150 Opening data connection for  dup.", "226 File received ok", "11 b'original' b'blank first'",
                      "226 File received ok b'new'", "226 File received ok", "226 File received ok True", "True",
                      "226 File received ok True", "200 Ok. Parameter was 'alive'. True True"});

    struct stat linkedAfter {};
    ASSERT_EQ(::stat(home.Path("linked.bin").c_str(), &linkedAfter), 0);
    EXPECT_EQ(linkedAfter.st_ino, linkedBefore.st_ino);
    EXPECT_EQ(linkedAfter.st_nlink, 2u);
    struct stat after {};
    ASSERT_EQ(::stat(setuid.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    // What a client wrote runs as nobody but the one who runs it.
    EXPECT_EQ(after.st_mode & 07777, 0755u);
    EXPECT_EQ(testsupport::readFile(setuid), "replaced");

    // lftp mirrors names that begin with blanks there and back.
    testfs::TempTree local;
    local.File("out/ leading 1", "one");
    local.File("out/ leading 2", "two");
    const ClientRun lftp = Lftp("mirror -R " + local.Path("out") + " up; mirror up " + local.Path("back"));
    EXPECT_EQ(lftp.exitCode, 0) << lftp.err;
    EXPECT_EQ(testsupport::readFile(home.Path("up/ leading 1")), "one");
    EXPECT_EQ(testsupport::readFile(home.Path("up/ leading 2")), "two");
    EXPECT_FALSE(std::filesystem::exists(home.Path("up/leading 1")));
    EXPECT_EQ(testsupport::readFile(local.Path("back/ leading 2")), "two");
}
