// Two real copies of the chat, each in a network namespace of its own joined by a veth pair:
// this test's window (A) calls the driver's window (B) by name, and they talk.
#include "support/NetnsFixture.h"
#include "support/RouterChain.h"
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

TEST(TwoCopies, ACallByNameExchangesLinesAndAThirdCallerGetsTheBusyLine)
{
    // Namespace B is the target right behind this namespace's link, with nothing between.
    const netnstest::RouterChain link(0);
    if (!link.failure().empty())
        GTEST_SKIP() << "no second network namespace here: " << link.failure();
    const std::string addressA = link.local();
    testsupport::writeFile("/etc/hosts", testsupport::readFile("/etc/hosts") + link.target() + " chat-b.pvx.test\n");
    QTemporaryDir dir;
    const std::string hostsB = dir.filePath("hosts").toStdString();
    testsupport::writeFile(hostsB, "127.0.0.1 localhost\n" + addressA + " chat-a.pvx.test\n");

    // B gets its own hosts file in a private mount namespace, as the namespace wrapper does.
    QProcess copyB;
    copyB.setProgram("ip");
    copyB.setArguments({"netns", "exec", QString::fromStdString(link.node(1)), "sh", "-c",
                        R"(mount --bind "$0" /etc/hosts && exec "$1" "$2")", QString::fromStdString(hostsB),
                        PCHAT_DRIVER, "grüße"});
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
              "Connected with " + addressA + "\n"
              "Use " + addressA + " in 3D trace route to check where are you called from\n"
              " > hello\n"
              "> grüße\n"
              ">>>> " + addressA + " is trying to call you\n"
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
