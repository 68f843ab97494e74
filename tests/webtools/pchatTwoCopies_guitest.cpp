// Two real copies of the chat, each in a network namespace of its own joined by a veth pair:
// this test's window (A) calls the driver's window (B) by name, and they talk.
#include "support/NetnsFixture.h"
#include "support/SocketTestSupport.h"
#include "support/FileContents.h"
#include "support/ScriptedMessages.h"
#include "webtools/support/ChatPeers.h"
#include "webtools/pchat.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

using sockettest::Peer;
using sockettest::pumpUntil;

// Namespace B behind a veth pair, A at 10.77.0.1 and B at 10.77.0.2. /run gets a private
// tmpfs first, so the namespace's name never shows outside this test's mount namespace.
const char* const makeNamespaceB = R"(
mount -t tmpfs pvx-run /run &&
ip netns add chatb &&
ip link add pvxa type veth peer name pvxb netns chatb &&
ip addr add 10.77.0.1/24 dev pvxa && ip link set pvxa up &&
ip -n chatb addr add 10.77.0.2/24 dev pvxb && ip -n chatb link set pvxb up && ip -n chatb link set lo up &&
echo "10.77.0.2 chat-b.pvx.test" >> /etc/hosts
)";

class TwoCopies : public ::testing::Test {
protected:
    void TearDown() override { QProcess::execute("ip", {"netns", "delete", "chatb"}); }
};

TEST_F(TwoCopies, ACallByNameExchangesLinesAndAThirdCallerGetsTheBusyLine)
{
    if (QProcess::execute("sh", {"-c", makeNamespaceB}) != 0)
        GTEST_SKIP() << "no second network namespace here";
    QTemporaryDir dir;
    const std::string hostsB = dir.filePath("hosts").toStdString();
    testsupport::writeFile(hostsB, "127.0.0.1 localhost\n10.77.0.1 chat-a.pvx.test\n");

    // B gets its own hosts file in a private mount namespace, as the namespace wrapper does.
    QProcess copyB;
    copyB.setProgram("ip");
    copyB.setArguments({"netns", "exec", "chatb", "sh", "-c", R"(mount --bind "$0" /etc/hosts && exec "$1" "$2")",
                        QString::fromStdString(hostsB), PCHAT_DRIVER, "grüße"});
    copyB.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    copyB.start();
    ASSERT_TRUE(pumpUntil([&] { return copyB.canReadLine(); }, 10000));
    ASSERT_EQ(copyB.readLine().trimmed(), "listening");

    testsupport::ScriptedMessages boxes;
    TpchatForm a;
    a.show();
    a.ServerEdit->setText("chat-b.pvx.test");
    a.ConnectButton->click();
    ASSERT_TRUE(pumpUntil([&] { return a.SendButton->isEnabled(); }));
    a.MessageEdit->setText("hello");
    a.SendButton->click();
    ASSERT_TRUE(pumpUntil([&] { return a.DisplayMemo->toPlainText().contains("chat-b.pvx.test > grüße"); }));

    auto third = Peer::python(R"(
import socket, sys
peer = socket.create_connection((sys.argv[1], 2211), timeout=10)
)" + chattest::printAllReceived,
                              {"chat-b.pvx.test"});
    ASSERT_TRUE(pumpUntil([&] { return third->finished(0); }, 15000));
    EXPECT_EQ(third->output(), chattest::hexLine(chattest::busyLine));

    a.DisconnectButton->click();
    ASSERT_TRUE(pumpUntil([&] { return copyB.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(copyB.exitCode(), 0);
    EXPECT_EQ(copyB.readAllStandardOutput().toStdString(),
              "Connected with 10.77.0.1\n"
              "Use 10.77.0.1 in 3D trace route to check where are you called from\n"
              " > hello\n"
              "> grüße\n"
              ">>>> 10.77.0.1 is trying to call you\n"
              "Disconnected\n");
    EXPECT_EQ(a.DisplayMemo->toPlainText().toStdString(),
              "Connected\n"
              "Use the IP of your friend in 3D trace route to check where are you called from\n"
              "> hello\n"
              "chat-b.pvx.test > grüße\n"
              "Disconnected");
    EXPECT_TRUE(boxes.texts().empty());
}

} // namespace
