#pragma once

// The real FTP window, inside the test's own network namespace where the test is root, so
// it serves port 21; it serves "served" of a fresh tree whose other entries lie outside.

#include "support/FileContents.h"
#include "support/FtpClients.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"
#include "webtools/ftpsrv.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace ftpwindowtest {

using ftptest::ClientRun;
using ftptest::RunClient;
using sockettest::pumpUntil;

class FtpWindowTest : public ::testing::Test {
protected:
    FtpWindowTest() : served(tree.Dir("served")), form(std::make_unique<TftpservForm>())
    {
        form->StartdirEdit->setText(QFile::decodeName(QByteArray::fromStdString(served)));
    }

    void start()
    {
        form->StartButton->click();
        ASSERT_TRUE(form->FtpServer1->Active()) << (boxes.texts().empty() ? "" : boxes.texts().back());
    }
    bool serving() const
    {
        return form->FtpServer1->Active() && !form->StartButton->isEnabled() && !form->StartdirEdit->isEnabled()
               && form->StopButton->isEnabled();
    }
    bool stopped() const
    {
        return !form->FtpServer1->Active() && form->StartButton->isEnabled() && form->StartdirEdit->isEnabled()
               && !form->StopButton->isEnabled() && form->FtpServer1->ClientCount() == 0;
    }

    QString port() const { return QString::fromStdString(form->FtpServer1->ServerSocket().GetXPort()); }

    // Python with the ftplib helpers of support/FtpClients.h, against the window's port.
    // Further arguments follow the port in sys.argv.
    ClientRun python(const std::string& script, const QStringList& arguments = {}) const
    {
        return RunClient("python3", QStringList{"-c", QString::fromStdString(ftptest::pythonPrelude + script), port()}
                                        + arguments);
    }
    // The same, running on while the test goes on; it prints nothing before its own output.
    std::unique_ptr<sockettest::Peer> pythonPeer(const std::string& script) const
    {
        return sockettest::Peer::python(ftptest::pythonPrelude + script, {port()});
    }
    // A client logged in, waiting for the server to end its connection.
    std::unique_ptr<sockettest::Peer> waitingClient() const
    {
        auto peer = pythonPeer("f = client()\nprint(f.sock.recv(100) == b'', flush=True)\n");
        EXPECT_TRUE(logged("! 127.0.0.1 User \"user\" is authenticated"));
        EXPECT_EQ(form->UsernumberEdit->text(), "1");
        return peer;
    }
    static bool sawItsEnd(sockettest::Peer& client)
    {
        return pumpUntil([&] { return client.finished(0); }, 15000) && client.output() == "True\n";
    }
    ClientRun curl(const std::string& path, const QStringList& arguments = {}) const
    {
        return RunClient("curl", QStringList{"-sS", "--max-time", "15", "-u", "u:p",
                                             QString::fromStdString("ftp://127.0.0.1:" + port().toStdString() + path)}
                                     + arguments);
    }

    std::vector<std::string> log() const
    {
        std::vector<std::string> lines;
        for (const QString& line : form->InfoMemo->toPlainText().split('\n'))
            lines.push_back(line.toStdString());
        return lines;
    }
    int count(const std::string& line) const
    {
        const auto lines = log();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
    ::testing::AssertionResult logged(const std::string& line, int timeoutMs = 5000) const
    {
        if (pumpUntil([&] { return count(line) > 0; }, timeoutMs))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no line \"" << line << "\" in:\n"
                                             << form->InfoMemo->toPlainText().right(4000).toStdString();
    }

    testsupport::ScriptedMessages boxes;
    testfs::TempTree tree;
    const std::string served;
    std::unique_ptr<TftpservForm> form;
};

} // namespace ftpwindowtest
