// The attack suite: the headless server (build/bench/ftpd) as a separate process, attacked
// through ftplib, curl and raw sockets. After every group a fresh client must still be
// served, and nothing outside the home may change.
#include "net/FtpTestSupport.h"

#include "net/NetMd5.h"
#include "support/FileContents.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

using namespace ftptest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

// The server process, limited to a few hundred descriptors, serving home.
class Harness {
public:
    explicit Harness(const std::string& home)
    {
        process_.start("prlimit", {"--nofile=300:300", PELVAXON_BINARY_DIR "/bench/ftpd",
                                   QString::fromStdString(home), "0"});
        EXPECT_TRUE(process_.waitForStarted(5000));
        EXPECT_TRUE(process_.waitForReadyRead(10000));
        port = process_.readLine().trimmed().toStdString();
    }
    ~Harness()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
    }
    int Descriptors() const
    {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(process_.processId()) + "/fd")) {
            (void)entry;
            ++count;
        }
        return count;
    }
    struct State {
        int clients = -1;
        long long heap = 0;
    };
    // The server's clients and allocated bytes, asked on its standard input.
    State Ask()
    {
        State state;
        process_.write("\n");
        if (!process_.canReadLine() && !process_.waitForReadyRead(5000))
            return state;
        std::istringstream answer(process_.readLine().toStdString());
        std::string clients, heap;
        answer >> clients >> state.clients >> heap >> state.heap;
        return state;
    }
    bool Running() const { return process_.state() == QProcess::Running; }
    // The processor time the server has used, in clock ticks.
    long long CpuTicks() const
    {
        std::ifstream stat("/proc/" + std::to_string(process_.processId()) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // The fields after the command name, which may hold blanks: user time is the 12th.
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        long long user = 0, system = 0;
        for (int i = 1; i <= 13 && fields >> field; ++i) {
            if (i == 12)
                user = std::stoll(field);
            if (i == 13)
                system = std::stoll(field);
        }
        return user + system;
    }

    std::string port;

private:
    QProcess process_;
};

struct Fingerprint {
    std::string digest;
    std::int64_t mtime = 0;
    bool operator==(const Fingerprint&) const = default;
};

std::map<std::string, Fingerprint> Fingerprints(const std::vector<std::string>& paths)
{
    std::map<std::string, Fingerprint> prints;
    for (const std::string& path : paths) {
        struct stat status {};
        ::stat(path.c_str(), &status);
        prints[path] = {FileMD5(path), status.st_mtime};
    }
    return prints;
}

ClientRun Attack(const Harness& harness, const std::string& script, const std::string& base, int timeoutMs = 60000)
{
    return RunClient("python3", {"-c", QString::fromStdString(std::string(pythonPrelude) + R"PY(
BASE = sys.argv[2]
def expect(f, line, answer):
    got = cmd(f, line)
    if not got.startswith(answer):
        print("%r gave %r" % (line, got))
def served():
    g = client()
    if not cmd(g, "NOOP alive").startswith("200"):
        print("no longer served")
    g.quit()
)PY" + script + "\nserved()\nprint('done')\n"),
                                 QString::fromStdString(harness.port), QString::fromStdString(base)},
                     timeoutMs);
}

class FtpAttack : public ::testing::Test {
protected:
    FtpAttack()
    {
        home = tree.Dir("home");
        tree.Dir("home/sub");
        tree.File("home/inside.txt", "inside");
        tree.File("outside.txt", "outside");
        // A date nothing else has: a listing showing it shows the outside file.
        tree.SetMtime("outside.txt", 981173045);
        tree.File("homex/file", "sibling");
        tree.Link("/etc", "home/etclink");
        tree.Link(tree.Path("outside.txt"), "home/filelink");
        tree.Link("inside.txt", "home/innerlink");
        outside = {tree.Path("outside.txt"), tree.Path("homex/file"), "/etc/passwd"};
        before = Fingerprints(outside);
    }
    ~FtpAttack() override { EXPECT_EQ(Fingerprints(outside), before); }

    testfs::TempTree tree;
    std::string home;
    std::vector<std::string> outside;
    std::map<std::string, Fingerprint> before;
};

} // namespace

TEST_F(FtpAttack, NoPathLeadsOutOfTheHome)
{
    Harness harness(home);
    const ClientRun run = Attack(harness, R"PY(
f = client()
for line in ["CWD /", "CWD ../..", "CWD sub/../..", "CWD \\..\\..", "CWD ..\\..", "CWD " + BASE + "/homex",
             "CWD etclink", "CWD " + BASE, "CDUP"]:
    expect(f, line, "501 CWD failed.")
for line in ["RETR ../../etc/passwd", "RETR /etc/passwd", "RETR filelink", "RETR etclink/passwd", "MD5 /etc/passwd",
             "MD5 filelink"]:
    expect(f, line, "500 Cannot RETR.")
for line in ["SIZE /etc/passwd", "MDTM /etc/passwd", "MFMT 20200101000000 /etc/passwd", "STOR " + BASE + "/homex/new",
             "STOR ../homex/new", "STOR filelink", "STOR etclink/evil"]:
    expect(f, line, "501 Permission Denied")
for line in ["MLST /etc/passwd", "MLST filelink", "MLST etclink/passwd", "MDTM 20200101000000 filelink"]:
    expect(f, line, "550 '")
for line in ["LIST /etc", "NLST /", "MLSD ..", "LIST etclink", "LIST ../homex", "NLST \\..\\*"]:
    expect(f, line, "451 Failed: Access prohibited !.")
for line in ["APPE " + BASE + "/outside.txt", "APPE ../outside.txt", "APPE filelink"]:
    expect(f, line, "500 Cannot APPE.")
for line in ["DELE ../outside.txt", "DELE " + BASE + "/homex/file", "DELE filelink"]:
    expect(f, line, "550 Cannot delete.")
expect(f, "RMD ../homex", "500 Cannot remove directory.")
expect(f, "MKD ../newdir", "550 '../newdir': can't create directory.")
expect(f, "RNFR inside.txt", "350")
expect(f, "RNTO ../moved.txt", "500 Cannot RNTO.")
expect(f, "RNFR ../outside.txt", "500 Cannot RNFR.")
expect(f, "PWD", '257 "' + BASE + '/home/"')
)PY",
                                 tree.Root());
    EXPECT_EQ(run.out, "done\n") << run.err;
    ClientRun curl = RunClient("curl", {"-sS", "--path-as-is", "-u", "a:b",
                                        QString::fromStdString("ftp://127.0.0.1:" + harness.port + "/../../etc/passwd")});
    EXPECT_NE(curl.exitCode, 0);
    EXPECT_EQ(curl.out, "");
    curl = RunClient("curl", {"-sS", "--path-as-is", "-u", "a:b",
                              QString::fromStdString("ftp://127.0.0.1:" + harness.port + "/etclink/passwd")});
    EXPECT_EQ(curl.out, "");
    ClientRun lftp = RunClient("lftp", {"-u", "a,b", "-p", QString::fromStdString(harness.port), "-e",
                                        "set net:max-retries 1; set ftp:ssl-allow no; set cmd:fail-exit no; "
                                        "cd /etc; get /etc/passwd -o /dev/null; cat etclink/passwd; quit",
                                        "127.0.0.1"});
    EXPECT_EQ(lftp.out, "");
    EXPECT_FALSE(std::filesystem::exists(tree.Path("moved.txt")));
    EXPECT_FALSE(std::filesystem::exists(tree.Path("newdir")));
}

TEST_F(FtpAttack, LinksLeadingOutShowNothingOfWhatTheyLeadTo)
{
    Harness harness(home);
    const ClientRun run = Attack(harness, R"PY(
f = client()
for command in ["LIST", "LIST -la", "NLST", "NLST *link", "MLSD", "MLSD *link"]:
    lines = []
    f.retrlines(command, lines.append)
    shown = [l for l in lines if "link" in l or "2001" in l]
    # Only the link inside the home, showing what it leads to: six bytes.
    if len(shown) != 1 or not shown[0].endswith("innerlink") or ("NLST" not in command and " 6 " not in shown[0]
                                                                   and "size=6;" not in shown[0]):
        print(command, "shows", shown)
for line in ["SIZE filelink", "SIZE etclink"]:
    expect(f, line, "550 Command failed: File not found.")
for line in ["MDTM filelink", "MDTM etclink", "MLST filelink", "MLST etclink"]:
    expect(f, line, "550 '")
expect(f, "SIZE innerlink", "213 6")
if "size=6;" not in cmd(f, "MLST *link") or "2001" in cmd(f, "MDTM innerlink"):
    print("the inner link is not shown as its target")
)PY",
                                 tree.Root());
    EXPECT_EQ(run.out, "done\n") << run.err;
}

TEST_F(FtpAttack, TheHomeItselfIsNeverRemovedOrRenamed)
{
    const std::string bare = tree.Dir("bare");
    Harness harness(bare);
    const ClientRun run = Attack(harness, R"PY(
HOME = BASE + "/bare"
refusals = [("RMD", "500 Cannot remove directory."), ("XRMD", "500 Cannot remove directory."),
            ("DELE", "550 Cannot delete."), ("RNFR", "500 Cannot RNFR."), ("RNTO", "500 Cannot RNTO.")]
def refused(f, spellings, commands):
    for command, refusal in [row for row in refusals if row[0] in commands]:
        for name in spellings:
            if command == "RNTO":
                expect(f, "RNFR " + FILE, "350")
            # An empty name is refused for its syntax.
            expect(f, command + " " + name, refusal if name else "501 Syntax error i")
f = client()
# The home stays empty until the removals have been tried: only the rule stops them.
FILE = HOME + "/f"
spellings = ["", ".", "./", HOME, HOME + "/", HOME + "/.", "../bare", "../bare/", "..\\bare", "//" + HOME[1:]]
refused(f, spellings, ["RMD", "XRMD", "DELE", "RNFR"])
store(f, "f", b"f")
refused(f, spellings, ["RNTO"])
f.mkd("sub")
f.cwd("sub")
refused(f, ["..", "../", "../../bare", "..\\"], [row[0] for row in refusals])
g = client()
expect(g, "PWD", '257 "' + HOME + '/"')
)PY",
                                 tree.Root());
    EXPECT_EQ(run.out, "done\n") << run.err;
    EXPECT_TRUE(std::filesystem::is_directory(bare + "/sub"));
    EXPECT_EQ(testsupport::readFile(bare + "/f"), "f");
}

TEST_F(FtpAttack, AHomeThatIsGoneServesNothing)
{
    const std::string gone = tree.Dir("gone");
    Harness harness(gone);
    const ClientRun run = Attack(harness, R"PY(
HOME = BASE + "/gone"
f = client()
os.rmdir(HOME)
c = raw(); c.line()
c.ask(b"USER u\r\n")
for line, answer in [(b"PASS p", "501 No permission"), (b"PWD", "530 Please login with USER and PASS."),
                     (b"LIST", "530 Please login with USER and PASS.")]:
    got = c.ask(line + b"\r\n")
    if got != answer:
        print("%r gave %r" % (line, got))
for line in ["LIST", "NLST", "MLSD", "LIST -la"]:
    expect(f, line, "451 Failed: Access prohibited !.")
for line, answer in [("CWD ..", "501 CWD failed."), ("CWD /tmp", "501 CWD failed."), ("RETR x", "500 Cannot RETR."),
                     ("STOR x", "501 Permission Denied"), ("MKD x", "550 '"), ("MLST *", "550 '"),
                     ("SIZE x", "550 Command failed: File not found.")]:
    expect(f, line, answer)
os.mkdir(HOME)
expect(client(), "PWD", '257 "' + HOME + '/"')
)PY",
                                 tree.Root());
    EXPECT_EQ(run.out, "done\n") << run.err;
    EXPECT_FALSE(std::filesystem::exists(gone + "/x"));
}

TEST_F(FtpAttack, BouncesAndHijacksAreRefusedAndLongLinesTakenWhole)
{
    const std::string longName(290, 'n');
    tree.File("home/" + longName.substr(0, 250), "keep");
    Harness harness(home);
    const ClientRun run = Attack(harness, R"PY(
f = client()
for line in ["PORT 127,0,0,2,40,1", "PORT 127,0,0,1,0,21", "PORT 127,0,0,1,256,1", "PORT 300,0,0,1,40,1"]:
    expect(f, line, "501 Invalid PORT command.")
served()

port = pasv_port(cmd(f, "PASV"))
stranger = socket.socket()
stranger.bind(("127.0.0.2", 0))
stranger.connect(("127.0.0.1", port))
stranger.settimeout(5)
try:
    if stranger.recv(10):
        print("stranger got data")
except ConnectionResetError:
    pass
d = socket.create_connection(("127.0.0.1", port), timeout=10)
expect(f, "RETR inside.txt", "150")
got = d.recv(100); d.close()
if got != b"inside" or not f.getline().startswith("226"):
    print("hijack disturbed the transfer")
served()

name = "n" * 290
c = raw(); c.line()
c.ask(b"USER u\r\n"); c.ask(b"PASS p\r\n")
expect_whole = [(b"DELE " + name.encode(), "550 '" + BASE + "/home/" + name + "': no such file or directory."),
                (b"RNFR " + name[:250].encode(), "350 File exists, ready for destination name."),
                (b"RNTO " + name.encode(), "450 File '" + BASE + "/home/" + name[:250] + "' can't be renamed.")]
for line, answer in expect_whole:
    if c.ask(line + b"\r\n") != answer:
        print("long line cut", line[:10])
if c.ask(b"DELE a\x00b\r\n") != "501 Syntax error in parameter.":
    print("NUL taken")
reply = c.ask(b"MKD a\rb\r\n")
if "\r" in reply or not reply.endswith("/a?b': directory created."):
    print("CR in reply", repr(reply))
d = raw(); d.line()
d.send(b"x" * 3000)
if d.line() != "500 Command too long" or d.s.recv(10) != b"":
    print("over-long line kept open")
served()
)PY",
                                 tree.Root());
    EXPECT_EQ(run.out, "done\n") << run.err;
    EXPECT_EQ(testsupport::readFile(tree.Path("home/" + longName.substr(0, 250))), "keep");
}

TEST_F(FtpAttack, AThousandConnectionsLeaveNothingBehind)
{
#ifdef __SANITIZE_ADDRESS__
    // The sanitizers test memory through a pipe of their own: out of descriptors, they report
    // every virtual call as a wrong object.
    GTEST_SKIP() << "needs a build without sanitizers";
#endif
    Harness harness(home);
    ASSERT_TRUE(pumpUntil([&] { return harness.Descriptors() > 0; }));
    const int descriptors = harness.Descriptors();
    // What the first flood grows stays grown (the largest queues, the allocator's caches); a
    // second one must leave no more allocated than the first.
    long long allocated[2] = {0, 0};
    for (long long& after : allocated) {
        const ClientRun run = Attack(harness, R"PY(
import resource
soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, 4096), hard))
idle = [client() for _ in range(20)]
socks = []
for _ in range(1000):
    s = socket.socket()
    s.setblocking(False)
    s.connect_ex(("127.0.0.1", PORT))
    socks.append(s)
time.sleep(1)
for s in socks[:50]:
    try:
        s.send(b"NOOP\r\n" * 20000)
    except OSError:
        pass
time.sleep(1)
for s in socks:
    s.close()
for f in idle:
    f.sock.close()
time.sleep(1)
)PY",
                                     tree.Root(), 120000);
        EXPECT_EQ(run.out, "done\n") << run.err;
        EXPECT_TRUE(harness.Running());
        EXPECT_TRUE(pumpUntil([&] { return harness.Descriptors() <= descriptors; }, 20000))
            << harness.Descriptors() << " descriptors, " << descriptors << " at the start";
        Harness::State state;
        EXPECT_TRUE(pumpUntil([&] { return (state = harness.Ask()).clients == 0; }, 20000))
            << state.clients << " clients";
        after = state.heap;
    }
    EXPECT_LT(allocated[1], allocated[0] + 256 * 1024)
        << allocated[0] << " bytes allocated after the first flood, " << allocated[1] << " after the second";
}

// A file cut on disk while it is sent: the download ends at once in a failure, never in
// success, and the server does not go on trying to send what is no longer there.
TEST_F(FtpAttack, AFileCutWhileItIsSentEndsItsDownloadWithAFailure)
{
    const std::string big = tree.Sparse("home/big.bin", 256 << 20);
    Harness harness(home);
    const ClientRun run = Attack(harness, R"PY(
BIG = BASE + "/home/big.bin"
f = client()
f.voidcmd("TYPE I")
d = socket.socket()
d.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
d.connect(("127.0.0.1", pasv_port(cmd(f, "PASV"))))
d.settimeout(10)
expect(f, "RETR big.bin", "150")
count = 0
while count < (1 << 20):
    count += len(d.recv(4096))
os.truncate(BIG, 1000)
cut = time.monotonic()
try:
    while d.recv(1 << 16):
        pass
except socket.timeout:
    print("the download did not end")
d.close()
reply = f.getline()
if not reply.startswith('426 Connection closed; File changed while it was sent: "' + BIG + '"'):
    print("ended with", reply)
if time.monotonic() - cut > 1:
    print("ended only after", time.monotonic() - cut, "s")
)PY",
                                 tree.Root());
    EXPECT_EQ(run.out, "done\n") << run.err;
    const long long before = harness.CpuTicks();
    pumpFor(1000);
    EXPECT_LE(harness.CpuTicks() - before, ::sysconf(_SC_CLK_TCK) / 10) << "the server is not idle";
    EXPECT_EQ(std::filesystem::file_size(big), 1000u);
}
