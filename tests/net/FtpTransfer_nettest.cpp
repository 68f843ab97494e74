#include "net/FtpTestSupport.h"

#include "net/NetMd5.h"
#include "support/FileContents.h"
#include "support/RandomBytes.h"

#include <algorithm>

using namespace ftptest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

class FtpTransfer : public FtpServerTest {};

std::string LowerMd5(const std::string& path)
{
    std::string digest = FileMD5(path);
    std::transform(digest.begin(), digest.end(), digest.begin(), ::tolower);
    return digest;
}

} // namespace

TEST_F(FtpTransfer, CurlFtplibAndLftpMoveFilesIntactInBothModes)
{
    const std::string root = home.Root();
    const std::string data = randomBytes(1 << 20, 7);
    home.File("one.bin", data);
    home.File("two.bin", randomBytes(300000, 8));
    home.File("four.bin", randomBytes(4 << 20, 9));
    testfs::TempTree local;
    const std::string upload = local.File("upload.bin", randomBytes(700000, 10));

    EXPECT_EQ(Curl("/one.bin").out, data);
    EXPECT_EQ(Curl("/one.bin", {"-P", "127.0.0.1"}).out, data);
    EXPECT_EQ(Curl("/up-passive.bin", {"-T", QString::fromStdString(upload)}).exitCode, 0);
    EXPECT_EQ(Curl("/up-active.bin", {"-P", "127.0.0.1", "-T", QString::fromStdString(upload)}).exitCode, 0);
    EXPECT_EQ(testsupport::readFile(root + "/up-passive.bin"), testsupport::readFile(upload));
    EXPECT_EQ(testsupport::readFile(root + "/up-active.bin"), testsupport::readFile(upload));

    const ClientRun ftplib = Python(R"(
f = client()
f.set_pasv(False)
print(fetch(f, "one.bin")[1])
print(store(f, "active.bin", b"x" * 100000))
)");
    EXPECT_EQ(ftplib.out, LowerMd5(root + "/one.bin") + "\n226 File received ok\n") << ftplib.err;
    EXPECT_EQ(testsupport::readFile(root + "/active.bin"), std::string(100000, 'x'));

    const std::string into = local.Dir("lftp");
    local.Dir("lftp/m");
    const ClientRun lftp = Lftp("lcd " + into + "; get one.bin; mget two.bin four.bin -O " + into
                                + "/m; pget -n 4 four.bin -o " + into + "/pget.bin");
    EXPECT_EQ(lftp.exitCode, 0) << lftp.err;
    EXPECT_EQ(testsupport::readFile(into + "/one.bin"), data);
    EXPECT_EQ(LowerMd5(into + "/m/two.bin"), LowerMd5(root + "/two.bin"));
    EXPECT_EQ(LowerMd5(into + "/m/four.bin"), LowerMd5(root + "/four.bin"));
    EXPECT_EQ(LowerMd5(into + "/pget.bin"), LowerMd5(root + "/four.bin"));
}

TEST_F(FtpTransfer, PassiveTransfersStartWhicheverComesFirst)
{
    const std::string root = home.Root();
    home.File("small.txt", "small file");
    home.File("r250.bin", randomBytes(250, 11));
    home.File("resume.bin", std::string(200, 'a'));
    home.Sparse("zeros.bin", 32 << 20);
    const ClientRun run = Python(R"(
def data_socket(c):
    return socket.create_connection(("127.0.0.1", pasv_port(c.ask(b"PASV\r\n"))), timeout=10)
def drain(d):
    got = d.makefile("rb").read()
    d.close()
    return got
c = raw()
c.line()
c.ask(b"USER u\r\n"); c.ask(b"PASS p\r\n")
port = pasv_port(c.ask(b"PASV\r\n"))
print(c.ask(b"RETR small.txt\r\n"))
d = socket.create_connection(("127.0.0.1", port), timeout=10)
print(drain(d)); print(c.line())
d = data_socket(c)
print(c.ask(b"RETR small.txt\r\n")); print(drain(d)); print(c.line())
port = pasv_port(c.ask(b"PASV\r\n"))
print(c.ask(b"STOU\r\n")[:40])
d = socket.create_connection(("127.0.0.1", port), timeout=10)
d.sendall(b"first unique"); d.close()
print(c.line()[:8])
d = data_socket(c)
print(c.ask(b"STOU\r\n")[:40])
d.sendall(b"second unique"); d.close()
print(c.line()[:8])
d = data_socket(c)
print(c.ask(b"APPE new.txt\r\n"))
d.sendall(b"appended"); d.close()
print(c.line())
d = data_socket(c)
print(c.ask(b"RETR missing\r\n")); d.close(); print(c.line())
port = pasv_port(c.ask(b"PASV\r\n"))
print(c.ask(b"RETR /etc/passwd\r\n"))
socket.create_connection(("127.0.0.1", port), timeout=10).close()
time.sleep(0.2)
print(c.ask(b"NOOP\r\n"))
print(c.ask(b"PORT 10,0,0,1,4,1\r\n"))
f = client()
print(len(fetch(f, "r250.bin", rest=100)[1]), fetch(f, "r250.bin", rest=100)[0])
print(store(f, "resume.bin", b"b" * 50, rest=100))
conn = f.transfercmd("RETR zeros.bin")
conn.recv(65536)
print(f.abort())
print(f.getline())
conn.close()
print(cmd(f, "NOOP"))
)");
    const std::string small = "150 Opening data connection for small.txt.";
    const std::string unique = ("150 Opening data connection for " + root + "/FTP").substr(0, 40);
    // A refused transfer's data connection, made after the refusal, carries nothing and
    // ends in no reply of its own.
    ExpectLines(run, {small, "b'small file'", "226 File sent ok", small, "b'small file'", "226 File sent ok", unique,
                      "250 '/tm", unique, "250 '/tm", "150 APPE supported.  Ready to append file \"new.txt\" at offset 0.",
                      "226 File received ok", "150 Opening data connection for missing.",
                      "501 Cannot RETR. File not found: \"" + root + "/missing\"", "500 Cannot RETR.",
                      "200 Ok. Parameter was ''.", "501 Invalid PORT command.", "32 150", "226 File received ok",
                      "426 Connection closed; ABORT requested by client.", "225 ABOR command successful.",
                      "200 Ok. Parameter was ''."});
    EXPECT_EQ(testsupport::readFile(root + "/new.txt"), "appended");
    EXPECT_EQ(testsupport::readFile(root + "/resume.bin"), std::string(100, 'a') + std::string(50, 'b') + std::string(50, 'a'));
    // Each STOU made a file of its own, and nothing else was left behind.
    std::vector<std::string> made;
    for (const auto& entry : std::filesystem::directory_iterator(root))
        if (entry.path().filename().string().starts_with("FTP"))
            made.push_back(testsupport::readFile(entry.path().string()));
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made, (std::vector<std::string>{"first unique", "second unique"}));
}

TEST_F(FtpTransfer, APassivePortRangeRunsOutAndComesBack)
{
    server.SetPasvPortRangeStart(5000);
    server.SetPasvPortRangeSize(2);
    EXPECT_THROW(server.SetPasvPortRangeSize(70000), ERangeError);
    home.File("small.txt", "small");
    const ClientRun run = Python(R"(
a, b, c = client(), client(), client()
print(pasv_port(cmd(a, "PASV")), pasv_port(cmd(b, "PASV")))
print(cmd(c, "PASV"))
print(fetch(a, "small.txt")[0])
print(pasv_port(cmd(c, "PASV")))
)");
    EXPECT_EQ(run.out, "5000 5001\n500 PASV exception: 'No available PASV Ports'.\n5\n5000\n") << run.err;
}

TEST_F(FtpTransfer, ThirtyTwoDownloadsAtOnceArriveWhole)
{
    std::mt19937 generator(12);
    std::vector<std::string> digests;
    for (int i = 0; i < 32; ++i)
        digests.push_back(LowerMd5(home.File("file" + std::to_string(i), randomBytes(generator, 8 << 20))));
    ASSERT_TRUE(pumpUntil([&] { return server.ClientCount() == 0; }));
    const int descriptors = OpenDescriptors();
    std::vector<std::unique_ptr<QProcess>> downloads;
    for (int i = 0; i < 32; ++i) {
        downloads.push_back(std::make_unique<QProcess>());
        downloads.back()->start("sh", {"-c", QString::fromStdString("curl -sS --max-time 60 -u user:secret ftp://127.0.0.1:"
                                                                     + port + "/file" + std::to_string(i) + " | md5sum")});
    }
    ASSERT_TRUE(pumpUntil(
        [&] {
            return std::all_of(downloads.begin(), downloads.end(),
                               [](const auto& process) { return process->state() == QProcess::NotRunning; });
        },
        60000));
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(downloads[i]->readAllStandardOutput().toStdString().substr(0, 32), digests[i]) << "file" << i;
    downloads.clear();
    EXPECT_TRUE(pumpUntil([&] { return server.ClientCount() == 0 && OpenDescriptors() <= descriptors; }, 10000))
        << OpenDescriptors() << " descriptors open, " << descriptors << " before";
}

TEST_F(FtpTransfer, LargeFilesRoundTripAndResumeBeyondFourGibibytesOfOffsets)
{
    home.Sparse("huge.bin", 3LL << 30);
    const ClientRun run = Python(R"(
import random
class Source(io.RawIOBase):
    def __init__(self, size):
        self.left, self.digest, self.random = size, hashlib.md5(), random.Random(5)
    def readable(self):
        return True
    def read(self, n=-1):
        n = min(self.left, 1 << 20 if n < 0 else n)
        block = self.random.randbytes(n)
        self.left -= n
        self.digest.update(block)
        return block
f = client()
source = Source(256 << 20)
print(f.storbinary("STOR random.bin", source, blocksize=1 << 20))
print(source.digest.hexdigest())
print(fetch(f, "random.bin")[1])
size, digest = fetch(f, "huge.bin", rest=(5 << 29))
zeros = hashlib.md5()
for _ in range(512):
    zeros.update(bytes(1 << 20))
print(size, digest == zeros.hexdigest())
)",
                                 {}, 120000);
    const ClientRun md5sum = RunClient("md5sum", {QString::fromStdString(home.Root() + "/random.bin")});
    const std::string digest = md5sum.out.substr(0, 32);
    ExpectLines(run, {"226 File received ok", digest, digest, "536870912 True"});
}

TEST_F(FtpTransfer, ADownloadIsNeverCutShortAsIfWholeAndAnUploadCutShortLeavesWhatCame)
{
    const ClientRun run = Python(R"(
import random, struct
ROOT = sys.argv[2]
original = random.Random(3).randbytes(24 << 20)
digest = hashlib.md5(original).hexdigest()
def fresh(name):
    with open(os.path.join(ROOT, name), "wb") as out:
        out.write(original)
# A download that reads slowly through a small window, while another client acts on its file
# once a mebibyte has arrived: whole with 226, or cut short with a failure, never cut with 226.
def download_during(name, act):
    fresh(name)
    f = client()
    f.voidcmd("TYPE I")
    port = pasv_port(f.sendcmd("PASV"))
    d = socket.socket()
    d.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    d.connect(("127.0.0.1", port))
    f.sendcmd("RETR " + name)
    got, count = hashlib.md5(), 0
    while count < (1 << 20):
        block = d.recv(4096)
        got.update(block)
        count += len(block)
    acted = act(client(), name)
    while True:
        block = d.recv(1 << 16)
        if not block:
            break
        got.update(block)
        count += len(block)
    d.close()
    whole = count == len(original) and got.hexdigest() == digest
    reply = f.getline()[:3]
    if not whole and reply == "226":
        print(name, "cut short as if whole")
    print(name, whole, reply, acted)
download_during("stor", lambda g, name: store(g, name, b"hello"))
download_during("appe", lambda g, name: store(g, name, b"more", command="APPE"))
download_during("rest", lambda g, name: store(g, name, b"xx", rest=5))
download_during("dele", lambda g, name: g.delete(name))
download_during("rename", lambda g, name: g.rename(name, name + ".moved"))
def contents(name):
    with open(os.path.join(ROOT, name), "rb") as source:
        return source.read()
print(contents("stor") == b"hello", contents("appe") == original + b"more",
      contents("rest") == original[:5] + b"xx" + original[7:], not os.path.exists(os.path.join(ROOT, "dele")),
      contents("rename.moved") == original)

# A download whose client resets the data connection midway fails.
f = client()
f.voidcmd("TYPE I")
fresh("dropped.bin")
d = socket.socket()
d.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
d.connect(("127.0.0.1", pasv_port(f.sendcmd("PASV"))))
f.sendcmd("RETR dropped.bin")
count = 0
while count < (1 << 20):
    count += len(d.recv(4096))
d.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
d.close()
print(f.getline())

# Uploads written in place that end before they are whole leave what came, and nothing beside;
# one cut before its data connection was taken leaves the file as it was.
g = client()
def upload_cut(name, cut):
    fresh(name)
    conn = g.transfercmd("STOR " + name)
    conn.sendall(b"x" * (1 << 20))
    cut(conn)
    left = contents(name)
    print(name, left == original or (len(left) <= (1 << 20) and left == b"x" * len(left)))
def abort(conn):
    print(g.abort())
    conn.close()
    print(g.getline())
def reset(conn):
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    conn.close()
    print(g.getline())
upload_cut("aborted", abort)
upload_cut("reset", reset)
def drop_control(conn):
    g.sock.shutdown(socket.SHUT_RDWR)
    time.sleep(0.5)
    conn.close()
    time.sleep(0.5)
upload_cut("dropped", drop_control)
print([name for name in os.listdir(ROOT) if name.startswith(".")])
)",
                                 {QString::fromStdString(home.Root())}, 60000);
    ExpectLines(run, {"stor False 426 226 File received ok", "appe False 426 226 File received ok",
                      "rest False 426 226 File received ok", "dele True 226 250 File '" + home.Root() + "/dele' deleted.",
                      "rename True 226 250 File '" + home.Root() + "/rename' renamed to '" + home.Root()
                          + "/rename.moved'.",
                      "True True True True True", "501 Cannot RETR. Error #10054",
                      "426 Connection closed; ABORT requested by client.",
                      "225 ABOR command successful.", "aborted True",
                      "426 Connection closed; transfer aborted. Error #10054", "reset True", "dropped True", "[]"});
}

TEST_F(FtpTransfer, LftpMirrorsATreeWhosePathsPassFourHundredCharactersBothWays)
{
    // Six levels of long names below the home, a file at each level.
    std::string relative;
    std::vector<std::string> files;
    for (int level = 0; level < 6; ++level) {
        relative += (relative.empty() ? "" : "/") + std::string(68, static_cast<char>('a' + level));
        home.Dir(relative);
        files.push_back(relative + "/" + std::string(120, 'f') + std::to_string(level));
        home.File(files.back(), randomBytes(1000 + 70000 * level, 20 + level));
    }
    ASSERT_GT(home.Path(relative).size(), 400u);
    testfs::TempTree local;
    const ClientRun lftp = Lftp("mirror . " + local.Path("down") + "; mirror -R " + local.Path("down") + " up", 60000);
    EXPECT_EQ(lftp.exitCode, 0) << lftp.err;
    for (const std::string& file : files) {
        const std::string original = testsupport::readFile(home.Path(file));
        EXPECT_EQ(testsupport::readFile(local.Path("down/" + file)), original) << file;
        EXPECT_EQ(testsupport::readFile(home.Path("up/" + file)), original) << file;
    }
}
