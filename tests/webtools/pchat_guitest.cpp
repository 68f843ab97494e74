// The chat window with real peers, inside a network namespace of its own, so port 2211 and
// the names it looks up are the test's alone.
#include "net/WSocket.h"
#include "support/NetnsFixture.h"
#include "support/SocketTestSupport.h"
#include "support/ScriptedMessages.h"
#include "webtools/support/ChatPeers.h"
#include "webtools/pchat.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

using sockettest::Peer;
using sockettest::pumpUntil;

using chattest::hexLine;
using chattest::printAllReceived;

class ChatWindow : public ::testing::Test {
protected:
    void SetUp() override { form = std::make_unique<TpchatForm>(); }

    // Shows the window listening; received lines are then shown after "friend > ".
    void show()
    {
        form->show();
        ASSERT_EQ(form->SrvWSocket->State(), wsListening);
        form->ServerEdit->setText("friend");
    }

    std::vector<std::string> memo() const
    {
        std::vector<std::string> lines;
        for (const QString& line : form->DisplayMemo->toPlainText().split('\n'))
            lines.push_back(line.toStdString());
        return lines;
    }
    int count(const std::string& line) const
    {
        const auto lines = memo();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
    ::testing::AssertionResult waitForLine(const std::string& line, int timeoutMs = 5000)
    {
        if (pumpUntil([&] { return count(line) > 0; }, timeoutMs))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no line \"" << line.substr(0, 80) << "\" in:\n"
                                             << form->DisplayMemo->toPlainText().left(4000).toStdString();
    }
    // Waits for a peer program to end while the window goes on serving its sockets.
    static bool waitForEnd(Peer& peer) { return pumpUntil([&] { return peer.finished(0); }, 15000); }

    // A Python caller of the window, connected as `peer` (socket and time imported), which
    // then runs body.
    std::unique_ptr<Peer> caller(const std::string& body) const
    {
        return Peer::python(R"(
import socket, sys, time
peer = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=20)
)" + body,
                            {QString::fromStdString(form->Port)});
    }
    // A Python peer that listens on 127.0.0.1 at the chat port (holding it, so the window
    // cannot) and accepts one call as `peer`, then runs body. It is listening on return.
    std::unique_ptr<Peer> listener(const std::string& body) const
    {
        return Peer::python(R"(
import socket, time
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", )" + form->Port + R"())
server.listen(1)
print(server.getsockname()[1], flush=True)
server.settimeout(20)
peer, _ = server.accept()
peer.settimeout(20)
)" + body);
    }
    // A second caller hears the busy line and is hung up on; the window notes who it was.
    void expectTurnedAway()
    {
        auto second = caller(printAllReceived);
        ASSERT_TRUE(waitForEnd(*second));
        EXPECT_EQ(second->output(), hexLine(chattest::busyLine));
        EXPECT_EQ(count(">>>> 127.0.0.1 is trying to call you"), 1);
    }
    void call(const QString& host)
    {
        form->ServerEdit->setText(host);
        form->ConnectButton->click();
    }
    void type(const QString& text)
    {
        form->MessageEdit->setText(text);
        form->SendButton->click();
    }
    bool idle() const
    {
        return form->ConnectButton->isEnabled() && !form->DisconnectButton->isEnabled()
            && !form->SendButton->isEnabled() && !form->MessageEdit->isEnabled();
    }
    bool talking() const
    {
        return !form->ConnectButton->isEnabled() && form->DisconnectButton->isEnabled()
            && form->SendButton->isEnabled() && form->MessageEdit->isEnabled();
    }

    testsupport::ScriptedMessages boxes;
    std::unique_ptr<TpchatForm> form;
};

TEST_F(ChatWindow, TheFirstShowingListensAndShowsTheLocalAddresses)
{
    EXPECT_EQ(form->windowTitle(), "Pelvaxon - private chat");
    EXPECT_EQ(form->LocAddrLabel->text(), "Your IP is:");
    EXPECT_TRUE(idle());
    show();
    EXPECT_EQ(form->Panel1->height(), 41);
    EXPECT_EQ(form->SrvWSocket->LocalAddr(), "0.0.0.0");
    // Only lo is up in the namespace: the list falls back to 127.0.0.1.
    EXPECT_EQ(form->LocAddrLabel->text(), "Your IP:   127.0.0.1");
    EXPECT_EQ(form->Panel2->height(), 41);
    EXPECT_TRUE(form->DisplayMemo->isReadOnly());
    EXPECT_EQ(form->DisplayMemo->maximumBlockCount(), ChatMemoLines);
    EXPECT_TRUE(form->SendButton->isDefault());
}

TEST_F(ChatWindow, ReceivedBytesBecomeLinesWhateverTheirSegmentsAndContent)
{
    show();
    auto peer = caller(R"(
for part in [b"hel", b"lo\r\n", b"a\nb", b"c\n", b"x\0y\n", b"after nul\n", b"\xe9t\xe9\n",
             "grüße\n".encode(), b"z" * 1500 + b"end\n", b"partial"]:
    peer.sendall(part)
    time.sleep(0.1)
peer.recv(100)
)");
    ASSERT_TRUE(waitForLine("Connected with 127.0.0.1"));
    EXPECT_TRUE(talking());
    ASSERT_TRUE(waitForLine("friend > " + std::string(477, 'z') + "end"));
    const auto lines = memo();
    ASSERT_GE(lines.size(), 11u);
    EXPECT_EQ(lines[1], "Use 127.0.0.1 in 3D trace route to check where are you called from");
    EXPECT_EQ(lines[2], "friend > hello");
    EXPECT_EQ(lines[3], "friend > a");
    EXPECT_EQ(lines[4], "friend > bc");
    EXPECT_EQ(lines[5].substr(0, 10), "friend > x");
    EXPECT_EQ(lines[6], "friend > after nul");
    EXPECT_EQ(lines[7], "friend > \u00e9t\u00e9");
    EXPECT_EQ(lines[8], "friend > gr\u00fc\u00dfe");
    EXPECT_EQ(lines[9], "friend > " + std::string(ChatLineCutter::Capacity, 'z'));

    // The peer's unfinished line is not carried into the next conversation.
    form->DisconnectButton->click();
    EXPECT_TRUE(waitForEnd(*peer));
    auto next = caller(R"(
peer.sendall(b"fresh\n")
peer.recv(100)
)");
    ASSERT_TRUE(waitForLine("friend > fresh"));
    EXPECT_EQ(count("friend > partialfresh"), 0);
}

TEST_F(ChatWindow, TypedLinesGoOutAsUtf8WithCrLfAndTheLastOneArrivesBeforeTheHangUp)
{
    show();
    auto peer = caller(printAllReceived);
    ASSERT_TRUE(waitForLine("Connected with 127.0.0.1"));
    type("grüße");
    EXPECT_TRUE(form->MessageEdit->text().isEmpty());
    form->MessageEdit->setText("bye\r\nnow");
    QTest::keyClick(form->MessageEdit, Qt::Key_Return);
    form->DisconnectButton->click();
    ASSERT_TRUE(waitForEnd(*peer));
    EXPECT_EQ(peer->output(), hexLine("grüße\r\nbyenow\r\n"));
    EXPECT_EQ(count("> grüße"), 1);
    EXPECT_EQ(count("> byenow"), 1);
    EXPECT_EQ(count("Disconnected"), 1);
    EXPECT_TRUE(idle());
}

TEST_F(ChatWindow, ASecondCallerWhileTalkingGetsTheBusyLineAndTheConversationGoesOn)
{
    show();
    auto first = caller(R"(
line = b""
while not line.endswith(b"\n"):
    line += peer.recv(100)
peer.sendall(b"still here\r\n")
peer.recv(100)
)");
    ASSERT_TRUE(waitForLine("Connected with 127.0.0.1"));
    expectTurnedAway();
    EXPECT_TRUE(talking());

    type("after the busy caller");
    ASSERT_TRUE(waitForLine("friend > still here"));
    form->DisconnectButton->click();
    ASSERT_TRUE(waitForEnd(*first));
    EXPECT_EQ(count("Disconnected"), 1);
    EXPECT_EQ(count("Connected with 127.0.0.1"), 1);
}

TEST_F(ChatWindow, ACallerWhileCallingGetsTheBusyLineAndTheCallStillEndsOnItsOwn)
{
    // 10.77.9.2 lies behind a link where nobody answers: the call stays under way for seconds.
    ASSERT_EQ(QProcess::execute("sh", {"-c", "ip link add pvx0 type veth peer name pvx1 && "
                                             "ip addr add 10.77.9.1/24 dev pvx0 && "
                                             "ip link set pvx0 up && ip link set pvx1 up"}),
              0);
    show();
    call("10.77.9.2");
    pumpUntil([&] { return form->CliWSocket->State() == wsConnecting; }, 2000);
    ASSERT_EQ(form->CliWSocket->State(), wsConnecting);
    expectTurnedAway();
    EXPECT_EQ(form->CliWSocket->State(), wsConnecting);

    ASSERT_TRUE(pumpUntil([&] { return !boxes.texts().empty(); }, 10000));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Can't connect, error #10065"});
    ASSERT_TRUE(pumpUntil([&] { return idle(); }, 2000));
    EXPECT_EQ(count("Disconnected"), 0);
}

TEST_F(ChatWindow, APortHeldElsewhereIsReportedAndCallingOutStillWorks)
{
    auto peer = listener(R"(
peer.sendall(b"hi from the holder\r\n")
line = b""
while not line.endswith(b"\n"):
    line += peer.recv(100)
print(line.hex(), flush=True)
peer.close()
)");
    ASSERT_EQ(peer->port, 2211);
    form->show();
    EXPECT_NE(form->SrvWSocket->State(), wsListening);
    EXPECT_EQ(memo(), std::vector<std::string>{"private chat is already running as server"});

    call("127.0.0.2");
    ASSERT_TRUE(waitForLine("No server available"));
    ASSERT_TRUE(pumpUntil([&] { return idle(); }));

    call("localhost");
    ASSERT_TRUE(waitForLine("Connected"));
    EXPECT_EQ(count("Use the IP of your friend in 3D trace route to check where are you called from"), 1);
    EXPECT_TRUE(talking());
    ASSERT_TRUE(waitForLine("localhost > hi from the holder"));
    type("hello holder");
    ASSERT_TRUE(waitForEnd(*peer));
    EXPECT_EQ(peer->output(), hexLine("hello holder\r\n"));
    ASSERT_TRUE(waitForLine("Disconnected"));
    EXPECT_EQ(count("Disconnected"), 1);
    EXPECT_TRUE(idle());
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ChatWindow, CallingThisHostOrAnUnknownNameGoesNowhere)
{
    show();
    const std::string selfCall = "Your are trying to connect to yourself, give an IP address of your friend !";
    for (const QString host : {"", "pelvaxon-netns", "127.0.0.1"}) {
        boxes.clear();
        call(host);
        ASSERT_TRUE(pumpUntil([&] { return !boxes.texts().empty(); })) << host.toStdString();
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{selfCall});
        EXPECT_TRUE(idle());
    }
    boxes.clear();
    call("nosuch.pvx.test");
    ASSERT_TRUE(waitForLine("Server name unknown"));
    EXPECT_TRUE(idle());
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(count("Disconnected"), 0);
}

TEST_F(ChatWindow, AFloodNeitherStallsTheConversationNorGrowsTheMemoWithoutBound)
{
    show();
    auto peer = caller(R"(
peer.sendall(b"x" * 300000)
peer.sendall(b"\n")
peer.sendall(b"line\n" * 12000)
peer.sendall(b"last\n")
peer.recv(100)
)");
    ASSERT_TRUE(waitForLine("friend > last", 20000));
    EXPECT_EQ(form->DisplayMemo->blockCount(), ChatMemoLines);
    EXPECT_EQ(count("friend > line"), ChatMemoLines - 1);
}

} // namespace
