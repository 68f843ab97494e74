#include "net/FtpTestSupport.h"

#include "support/FileContents.h"
#include "support/RandomBytes.h"

using namespace ftptest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

class FtpDataSecurity : public FtpServerTest {};

} // namespace

TEST_F(FtpDataSecurity, DataConnectionsReachOnlyTheClientItself)
{
    home.File("secret.bin", randomBytes(200000, 3));
    const ClientRun run = Python(R"(
trap = socket.socket()
trap.bind(("127.0.0.2", 0))
trap.listen(1)
trap.settimeout(1)
tp = trap.getsockname()[1]
f = client()
print(cmd(f, "PORT 127,0,0,2,%d,%d" % (tp // 256, tp % 256)))
print(cmd(f, "PORT 127,0,0,1,0,21"))
print(cmd(f, "PORT 127,0,0,1,300,1"))
print(cmd(f, "PORT 127,0,0,1,x"))
try:
    trap.accept()
    print("bounced")
except socket.timeout:
    print("nothing came")

# A stranger on the passive port first is turned away; the client still gets its file.
port = pasv_port(cmd(f, "PASV"))
stranger = socket.socket()
stranger.bind(("127.0.0.2", 0))
stranger.connect(("127.0.0.1", port))
stranger.settimeout(5)
try:
    print("stranger got", stranger.recv(10))
except ConnectionResetError:
    print("stranger got", b"")
d = socket.create_connection(("127.0.0.1", port), timeout=10)
print(cmd(f, "RETR secret.bin"))
got = d.makefile("rb").read()
d.close()
print(f.getline().strip(), hashlib.md5(got).hexdigest())
)");
    const ClientRun md5sum = RunClient("md5sum", {QString::fromStdString(home.Root() + "/secret.bin")});
    std::vector<std::string> expected(4, "501 Invalid PORT command.");
    expected.insert(expected.end(), {"nothing came", "stranger got b''", "150 Opening data connection for secret.bin.",
                                     "226 File sent ok " + md5sum.out.substr(0, 32)});
    ExpectLines(run, expected);
}

TEST_F(FtpDataSecurity, PassivePortsAreGivenBackOnEveryPath)
{
    server.SetPasvPortRangeStart(5100);
    server.SetPasvPortRangeSize(2);
    home.File("small.txt", "small");
    home.Sparse("zeros.bin", 64 << 20);
    const ClientRun run = Python(R"(
f = client()
for _ in range(50):
    reply = cmd(f, "PASV")
print(reply[:3], fetch(f, "small.txt")[0])
conn = f.transfercmd("RETR zeros.bin")
conn.recv(1000)
f.abort(); f.getline(); conn.close()
g = client()
print(pasv_port(cmd(f, "PASV")) in (5100, 5101), pasv_port(cmd(g, "PASV")) in (5100, 5101))
g.close()
h = client()
print(cmd(h, "PASV")[:3])
)");
    EXPECT_EQ(run.out, "227 5\nTrue True\n227\n") << run.err;
    EXPECT_TRUE(pumpUntil([&] { return server.ClientCount() == 0; }));
    // With every client gone, the whole range is free again.
    EXPECT_NO_THROW(server.SetPasvPortRangeStart(5200));
}

TEST_F(FtpDataSecurity, FailedAndBusyTransfersStillEndInTheirOwnReply)
{
    home.Fifo("pipe");
    const ClientRun run = Python(R"(
f = client()
closed = socket.socket(); closed.bind(("127.0.0.1", 0)); cp = closed.getsockname()[1]; closed.close()
print(cmd(f, "PORT 127,0,0,1,%d,%d" % (cp // 256, cp % 256)))
print(cmd(f, "STOR refused.bin"))
try:
    f.voidresp()
except ftplib.all_errors as e:
    print(e)

conn = f.transfercmd("STOR big.bin")
print(cmd(f, "NOOP while storing"))
block = bytes(range(256)) * 4096
for _ in range(50):
    conn.sendall(block)
conn.close()
print(f.voidresp())

g = client()
result = []
def fifo():
    try:
        fetch(g, "pipe")
    except ftplib.all_errors as e:
        result.append(str(e))
worker = threading.Thread(target=fifo)
worker.start()
start = time.monotonic()
h = client()
print(cmd(h, "NOOP"), time.monotonic() - start < 1)
worker.join(10)
print(result)
)");
    ExpectLines(run, {"200 Port command successful.", "150 Opening data connection for refused.bin.",
                      "426 Connection closed; transfer aborted. Error #10061", "200 Ok. Parameter was 'while storing'.",
                      "226 File received ok", "200 Ok. Parameter was ''. True",
                      "['501 Cannot RETR. File not found: \"" + home.Root() + "/pipe\"']"});
    EXPECT_EQ(testsupport::readFile(home.Root() + "/big.bin").size(), 50u << 20);
}
