// The FTP window serving real clients: starting and stopping, its log and client count,
// closing, the ports it binds.
#include "net/FtpSrv.h"
#include "support/NetnsFixture.h"
#include "support/ProgramRun.h"
#include "webtools/support/FtpWindow.h"

#include <QDir>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

using namespace ftpwindowtest;

class FtpWindow : public FtpWindowTest {};

TEST_F(FtpWindow, StartsStoppedWithTheStoredFormAndTheEngineSettings)
{
    const TftpservForm fresh;
    EXPECT_TRUE(fresh.isHidden());
    EXPECT_EQ(fresh.StartdirEdit->text(), QDir::tempPath());
    EXPECT_TRUE(fresh.UsernumberEdit->isReadOnly());
    EXPECT_FALSE(fresh.StopButton->isEnabled());
    EXPECT_TRUE(fresh.InfoMemo->isReadOnly());
    EXPECT_EQ(fresh.InfoMemo->maximumBlockCount(), FtpLogLines);
    const TFtpServer& engine = *fresh.FtpServer1;
    EXPECT_EQ(engine.Addr, "0.0.0.0");
    EXPECT_EQ(engine.Banner, "220 Pelvaxon FTP Server ready.");
    EXPECT_EQ(engine.MaxClients, 0);
    EXPECT_EQ(engine.PasvPortRangeStart(), 0);
    EXPECT_EQ(engine.PasvPortRangeSize(), 0);
    EXPECT_EQ(engine.Options, 0u);
    for (bool assigned :
         {bool(engine.OnStart), bool(engine.OnStop), bool(engine.OnClientConnect), bool(engine.OnClientDisconnect),
          bool(engine.OnAuthenticate), bool(engine.OnClientCommand), bool(engine.OnAnswerToClient),
          bool(engine.OnChangeDirectory), bool(engine.OnBuildDirectory), bool(engine.OnAlterDirectory),
          bool(engine.OnRetrSessionConnected), bool(engine.OnStorSessionConnected), bool(engine.OnStorSessionClosed),
          bool(engine.OnRetrSessionClosed), bool(engine.OnRetrDataSent)})
        EXPECT_TRUE(assigned);
    EXPECT_FALSE(engine.OnMakeDirectory || engine.OnValidatePut || engine.OnBuildFilePath);

    form->show();
    form->resize(500, 300);
    EXPECT_EQ(form->InfoMemo->geometry().right() + 1, 500 - 8);
    EXPECT_EQ(form->InfoMemo->geometry().bottom() + 1, 300 - 8);
    EXPECT_EQ(form->StartdirEdit->geometry().right() + 1, 500 - 8);
}

TEST_F(FtpWindow, AnyUserLogsInAndEveryCommandAndAnswerIsLogged)
{
    std::vector<QString> counts;
    QObject::connect(form->UsernumberEdit, &QLineEdit::textChanged,
                     [&](const QString& text) { counts.push_back(text); });
    start();
    EXPECT_EQ(port(), "21");
    const ClientRun run = python(R"(
f = ftplib.FTP()
f.connect("127.0.0.1", PORT, timeout=10)
print(f.login("u", "any password"))
print(f.pwd())
f.quit()
)");
    EXPECT_EQ(run.out, "230 User u logged in.\n" + served + "/\n") << run.err;
    ASSERT_TRUE(logged("! 127.0.0.1 disconnected"));
    ASSERT_TRUE(pumpUntil([&] { return form->FtpServer1->ClientCount() == 0; }));
    const std::vector<std::string> expected{
        "! Server started",
        "! 127.0.0.1 connected",
        "< 127.0.0.1 USER u",
        "> 127.0.0.1 331 Password required for u.",
        "< 127.0.0.1 PASS any password",
        "! 127.0.0.1 User \"u\" is authenticated",
        "> 127.0.0.1 230 User u logged in.",
        "< 127.0.0.1 PWD ",
        "> 127.0.0.1 257 \"" + served + "/\" is current directory.",
        "< 127.0.0.1 QUIT ",
        "> 127.0.0.1 221 Goodbye.",
        "! 127.0.0.1 disconnected",
    };
    const std::vector<std::string> lines = log();
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + expected.size()), expected);
    EXPECT_EQ(counts, (std::vector<QString>{"1", "0"}));

    // A name that is not UTF-8 is shown byte for byte as Latin-1.
    const ClientRun names = python(R"(
for name, encoding in (("\xe9t\xe9", "latin-1"), ("gr\u00fc\u00dfe", "utf-8")):
    f = ftplib.FTP(encoding=encoding)
    f.connect("127.0.0.1", PORT, timeout=10)
    f.login(name, "x")
    f.close()
)");
    EXPECT_EQ(names.exitCode, 0) << names.err;
    EXPECT_EQ(count("! 127.0.0.1 User \"\xc3\xa9t\xc3\xa9\" is authenticated"), 1);
    EXPECT_EQ(count("! 127.0.0.1 User \"gr\xc3\xbc\xc3\x9f"
                    "e\" is authenticated"),
              1);

    form->ClearlogButton->click();
    EXPECT_TRUE(form->InfoMemo->toPlainText().isEmpty());
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(FtpWindow, TheStartDirectoryMustExistAndIsFixedCanonicalAtStart)
{
    form->StartdirEdit->setText(QFile::decodeName(QByteArray::fromStdString(tree.Root() + "/missing")));
    form->StartButton->click();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"startdir does not exist!"});
    EXPECT_TRUE(stopped());
    form->StartdirEdit->setText(QFile::decodeName(QByteArray::fromStdString(tree.File("file.txt"))));
    form->StartButton->click();
    EXPECT_EQ(boxes.texts().size(), 2u);
    EXPECT_TRUE(stopped());
    EXPECT_TRUE(form->InfoMemo->toPlainText().isEmpty());

    // A relative name is the directory it names at Start, whatever the panels do later.
    tree.File("served/here.txt", "here");
    tree.Link("served", "link");
    const testfs::KeepCurrentDir keep;
    ASSERT_EQ(::chdir(tree.Root().c_str()), 0);
    form->StartdirEdit->setText("link/.");
    start();
    ASSERT_EQ(::chdir("/"), 0);
    const ClientRun run = python("f = client()\nprint(f.pwd(), f.nlst())\n");
    EXPECT_EQ(run.out, served + "/ ['here.txt']\n") << run.err;
}

TEST_F(FtpWindow, StopAndClosingWhileServingDropTheClientsOnlyClosingSaysSo)
{
    form->show();
    form->close();
    EXPECT_TRUE(boxes.texts().empty());

    start();
    auto waiting = waitingClient();
    form->StopButton->click();
    EXPECT_TRUE(stopped());
    EXPECT_TRUE(sawItsEnd(*waiting));
    start();
    EXPECT_TRUE(serving());
    const ClientRun run = python("print(client().pwd())\n");
    EXPECT_EQ(run.out, served + "/\n") << run.err;
    EXPECT_EQ(count("! Server started"), 2);
    EXPECT_EQ(count("! Server stopped"), 1);
    EXPECT_TRUE(boxes.texts().empty());

    ASSERT_TRUE(pumpUntil([&] { return form->FtpServer1->ClientCount() == 0; }));
    form->ClearlogButton->click();
    waiting = waitingClient();
    form->show();
    form->close();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"FTP server is stopped"});
    EXPECT_TRUE(stopped());
    EXPECT_EQ(form->UsernumberEdit->text(), "0");
    EXPECT_TRUE(sawItsEnd(*waiting));
    EXPECT_TRUE(logged("! Server stopped"));
    EXPECT_EQ(count("! 127.0.0.1 disconnected"), 1);
}

TEST_F(FtpWindow, APortHeldElsewhereIsReportedAndTheWindowStaysStopped)
{
    const int holder = ::socket(AF_INET, SOCK_STREAM, 0);
    // Earlier tests leave connections of port 21 waiting out their time.
    const int on = 1;
    ASSERT_EQ(::setsockopt(holder, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on), 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(21);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(holder, 1), 0);
    form->StartButton->click();
    ::close(holder);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_TRUE(boxes.texts()[0].starts_with("Error 10048 in function Bind")) << boxes.texts()[0];
    EXPECT_TRUE(stopped());
    EXPECT_TRUE(form->InfoMemo->toPlainText().isEmpty());
    start();
}

TEST_F(FtpWindow, DataConnectionsThatCannotOpenAreLogged)
{
    tree.File("served/data.bin", std::string(100, 'd'));
    start();
    const ClientRun run = python(R"(
closed = socket.socket()
closed.bind(("127.0.0.1", 0))
p = closed.getsockname()[1]
closed.close()
c = raw()
c.line()
c.ask(b"USER u\r\n"); c.ask(b"PASS p\r\n")
port = ("PORT 127,0,0,1,%d,%d\r\n" % (p // 256, p % 256)).encode()
print(c.ask(port)); print(c.ask(b"RETR data.bin\r\n")); print(c.line())
print(c.ask(port)); print(c.ask(b"STOR new.bin\r\n")); print(c.line())
)");
    const std::vector<std::string> replies = ftptest::Lines(run.out);
    ASSERT_EQ(replies.size(), 6u) << run.out << run.err;
    EXPECT_TRUE(replies[2].starts_with("501 Cannot RETR.")) << replies[2];
    EXPECT_TRUE(replies[5].starts_with("426 ")) << replies[5];
    EXPECT_TRUE(logged("! 127.0.0.1 Data session connected. Error #10061"));
    EXPECT_TRUE(logged("! 127.0.0.1 Data session failed to open. Error #10061"));
}

// The same binary without the privilege to bind port 21, as a desktop user runs it.
TEST_F(FtpWindow, WithoutPrivilegesItServesOn2121AndSaysSo)
{
    if (!std::getenv("PELVAXON_FTP_UNPRIVILEGED")) {
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
        ::setenv("PELVAXON_FTP_UNPRIVILEGED", "1", 1);
        std::string output;
        const int status = testsupport::runProgram(
            {"setpriv", "--inh-caps=-net_bind_service", "--bounding-set=-net_bind_service", self.string(),
             "--gtest_filter=FtpWindow.WithoutPrivilegesItServesOn2121AndSaysSo"},
            &output, 60000);
        ::unsetenv("PELVAXON_FTP_UNPRIVILEGED");
        EXPECT_EQ(status, 0) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
        return;
    }
    start();
    EXPECT_EQ(port(), "2121");
    EXPECT_EQ(log(),
              (std::vector<std::string>{"! Server started", "! Port 21 needs privileges: listening on port 2121"}));
    EXPECT_TRUE(boxes.texts().empty());
    const ClientRun run = python("print(client().pwd())\n");
    EXPECT_EQ(run.out, served + "/\n") << run.err;
}

} // namespace
