// The SOCKS client against real servers (microsocks, dante) carrying an HTTP GET.

#include "net/WSocketTestSupport.h"
#include "support/FileContents.h"

#include <QTemporaryDir>

#include <sys/mount.h>
#include <unistd.h>

using namespace wsockettest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();
const auto* const started = ::testing::AddGlobalTestEnvironment(new sockettest::Started);

struct WebServer {
    WebServer() : body(randomBytes(1 << 20, 7))
    {
        testsupport::writeFile(dir.filePath("file.bin").toStdString(), body);
        port = freePort();
        peer = std::make_unique<Peer>("python3", QStringList{"-m", "http.server", QString::fromStdString(port), "--bind",
                                                             "127.0.0.1", "--directory", dir.path()});
        EXPECT_TRUE(sockettest::listening(static_cast<std::uint16_t>(std::stoi(port))));
    }
    QTemporaryDir dir;
    std::string body;
    std::string port;
    std::unique_ptr<Peer> peer;
};

// What the socket fetches of /file.bin through the SOCKS server, header cut off.
std::string fetchThrough(TWSocket& socket, const std::string& socksPort, const std::string& level,
                         const std::string& webPort)
{
    EventLog log(socket);
    socket.OnSessionConnected = [&](TCustomWSocket* sender, std::uint16_t error) {
        log.add("Connected", error);
        if (error == 0)
            sender->SendStr("GET /file.bin HTTP/1.0\r\nHost: localhost\r\n\r\n");
    };
    socket.SetSocksServer("127.0.0.1");
    socket.SetSocksPort(socksPort);
    socket.SetSocksLevel(level);
    socket.SetAddr(level == "4" ? "127.0.0.1" : "localhost");
    socket.SetRemotePort(webPort);
    socket.Connect();
    EXPECT_TRUE(pumpUntil(
        [&] {
            return std::any_of(log.events.begin(), log.events.end(),
                               [](const std::string& e) { return e.rfind("Closed", 0) == 0; });
        },
        20000));
    socket.Close();
    socket.OnSessionConnected = nullptr;
    socket.OnSessionClosed = nullptr;
    socket.OnDataAvailable = nullptr;
    socket.OnDataSent = nullptr;
    socket.OnChangeState = nullptr;
    const std::size_t header = log.data.find("\r\n\r\n");
    return header == std::string::npos ? "no reply: " + log.data : log.data.substr(header + 4);
}

std::string curlThrough(const std::string& proxy, const std::string& webPort)
{
    QProcess curl;
    curl.start("curl", {"-s", "--max-time", "20", "--socks5-hostname", QString::fromStdString(proxy),
                        QString::fromStdString("http://localhost:" + webPort + "/file.bin")});
    curl.waitForFinished(25000);
    return curl.readAllStandardOutput().toStdString();
}

// Starts the server and waits until it listens on port.
std::unique_ptr<Peer> startServer(const QString& program, const QStringList& arguments, const std::string& port)
{
    auto server = std::make_unique<Peer>(program, arguments);
    EXPECT_TRUE(sockettest::listening(static_cast<std::uint16_t>(std::stoi(port))));
    return server;
}

} // namespace

TEST(WSocketSocksServers, MicrosocksCarriesAGetWithAndWithoutAUserName)
{
    WebServer web;
    const std::string open = freePort();
    auto plain = startServer("microsocks", {"-i", "127.0.0.1", "-p", QString::fromStdString(open)}, open);
    TWSocket socket;
    EXPECT_TRUE(fetchThrough(socket, open, "5", web.port) == web.body);
    EXPECT_TRUE(curlThrough("127.0.0.1:" + open, web.port) == web.body);

    const std::string guarded = freePort();
    auto withUser = startServer(
        "microsocks", {"-i", "127.0.0.1", "-p", QString::fromStdString(guarded), "-u", "pelv", "-P", "secret"}, guarded);
    socket.SocksAuthentication = socksAuthenticateUsercode;
    socket.SocksUsercode = "pelv";
    socket.SocksPassword = "secret";
    std::vector<TSocksAuthState> states;
    socket.OnSocksAuthState = [&](TCustomWSocket*, TSocksAuthState state) { states.push_back(state); };
    EXPECT_TRUE(fetchThrough(socket, guarded, "5", web.port) == web.body);
    EXPECT_EQ(states, (std::vector<TSocksAuthState>{socksAuthStart, socksAuthSuccess}));
    EXPECT_TRUE(curlThrough("pelv:secret@127.0.0.1:" + guarded, web.port) == web.body);
}

TEST(WSocketSocksServers, DanteCarriesSocks4AndSocks5WithAUserName)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "dante runs as root and checks system users";
    // A system user only this namespace sees: the test's own passwd and shadow files.
    QTemporaryDir dir;
    const std::string passwd = dir.filePath("passwd").toStdString();
    const std::string shadow = dir.filePath("shadow").toStdString();
    QProcess hash;
    hash.start("python3", {"-W", "ignore", "-c",
                           "import crypt; print(crypt.crypt('secret', crypt.mksalt(crypt.METHOD_SHA512)))"});
    hash.waitForFinished(10000);
    testsupport::writeFile(passwd, testsupport::readFile("/etc/passwd")
                                       + "pelvsocks:x:4242:4242::/nonexistent:/usr/sbin/nologin\n");
    testsupport::writeFile(shadow, testsupport::readFile("/etc/shadow") + "pelvsocks:"
                                       + hash.readAllStandardOutput().trimmed().toStdString() + ":19000:0:99999:7:::\n");
    ASSERT_EQ(::mount(passwd.c_str(), "/etc/passwd", nullptr, MS_BIND, nullptr), 0);
    ASSERT_EQ(::mount(shadow.c_str(), "/etc/shadow", nullptr, MS_BIND, nullptr), 0);

    WebServer web;
    const std::string port = freePort();
    const std::string config = dir.filePath("danted.conf").toStdString();
    testsupport::writeFile(config, "logoutput: stderr\ninternal: 127.0.0.1 port = " + port
                                       + "\nexternal: 127.0.0.1\nsocksmethod: username none\nclientmethod: none\n"
                                         "user.privileged: root\nuser.unprivileged: nobody\n"
                                         "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                                         "socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n");
    auto dante = startServer("danted", {"-f", QString::fromStdString(config), "-N", "1"}, port);

    TWSocket socket;
    EXPECT_TRUE(fetchThrough(socket, port, "4", web.port) == web.body);
    socket.SocksAuthentication = socksAuthenticateUsercode;
    socket.SocksUsercode = "pelvsocks";
    socket.SocksPassword = "secret";
    EXPECT_TRUE(fetchThrough(socket, port, "5", web.port) == web.body);

    socket.SocksPassword = "wrong";
    std::vector<TSocksAuthState> states;
    socket.OnSocksAuthState = [&](TCustomWSocket*, TSocksAuthState state) { states.push_back(state); };
    EXPECT_EQ(fetchThrough(socket, port, "5", web.port).substr(0, 9), "no reply:");
    EXPECT_EQ(states.back(), socksAuthFailure);
    ::umount("/etc/shadow");
    ::umount("/etc/passwd");
}
