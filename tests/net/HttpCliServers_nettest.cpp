// The HTTP client against real servers: Python's http.server, nginx, tinyproxy, microsocks.

#include "net/HttpTestSupport.h"
#include "support/FileContents.h"

#include <QTemporaryDir>

#include <ctime>

using namespace httptest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();
const auto* const started = ::testing::AddGlobalTestEnvironment(new sockettest::Started);

std::uint16_t portNumber(const std::string& port)
{
    return static_cast<std::uint16_t>(std::stoi(port));
}

// Starts a server program and waits until it listens on port.
std::unique_ptr<Peer> startServer(const QString& program, const QStringList& arguments, const std::string& port)
{
    auto server = std::make_unique<Peer>(program, arguments);
    EXPECT_TRUE(sockettest::listening(portNumber(port))) << program.toStdString();
    return server;
}

std::string curl(const QStringList& arguments)
{
    QProcess process;
    process.start("curl", QStringList{"-s", "--max-time", "20"} + arguments);
    process.waitForFinished(25000);
    return process.readAllStandardOutput().toStdString();
}

// nginx serving dir/www on port, its access log naming the connection of every request.
struct Nginx {
    Nginx()
    {
        port = freePort();
        const std::string root = dir.path().toStdString();
        testsupport::writeFile(root + "/www/file.txt", "the file's text\n");
        testsupport::writeFile(root + "/www/private/secret.txt", "secret text\n");
        testsupport::writeFile(root + "/htpasswd", "user:{PLAIN}secret\n");
        testsupport::writeFile(root + "/nginx.conf", R"(daemon off;
master_process off;
user root;
error_log )" + root + R"(/error.log;
pid )" + root + R"(/nginx.pid;
events { worker_connections 64; }
http {
    log_format requests '$connection $request $status';
    access_log )" + root + R"(/access.log requests;
    if_modified_since before;
    server {
        listen 127.0.0.1:)" + port + R"(;
        root )" + root + R"(/www;
        location = /relative { absolute_redirect off; return 301 /file.txt; }
        location = /absolute { return 301 http://127.0.0.1:)" + port + R"(/file.txt; }
        location /private/ { auth_basic "private"; auth_basic_user_file )" + root + R"(/htpasswd; }
    }
}
)");
        server = startServer("nginx", {"-c", QString::fromStdString(root + "/nginx.conf"), "-p",
                                       QString::fromStdString(root)},
                             port);
    }
    std::string accessLog() const { return testsupport::readFile(dir.filePath("access.log").toStdString()); }

    QTemporaryDir dir;
    std::string port;
    std::unique_ptr<Peer> server;
};

} // namespace

TEST(HttpCliServers, PythonServesALargeFileAsCurlSeesIt)
{
    QTemporaryDir dir;
    const std::string data = randomBytes(10 << 20, 3);
    testsupport::writeFile(dir.filePath("big.bin").toStdString(), data);
    const std::string port = freePort();
    auto server = startServer("python3", {"-m", "http.server", QString::fromStdString(port), "--bind", "127.0.0.1",
                                          "--directory", dir.path()},
                              port);
    THttpCli client;
    Recorder run(client);
    client.URL = url(portNumber(port), "/big.bin");
    ASSERT_TRUE(run.run(&THttpCli::GetASync));
    EXPECT_EQ(client.StatusCode(), 200);
    EXPECT_EQ(client.DocName(), "big.bin");
    EXPECT_EQ(client.ContentLength(), static_cast<std::int64_t>(data.size()));
    EXPECT_TRUE(run.text() == data);
    EXPECT_TRUE(curl({QString::fromStdString(client.URL)}) == data);
    ASSERT_TRUE(pumpUntil([&] { return client.CtrlSocket().State() == wsClosed; })) << "HTTP/1.0 closes";

    // The same through microsocks.
    const std::string socksPort = freePort();
    auto socks = startServer("microsocks", {"-i", "127.0.0.1", "-p", QString::fromStdString(socksPort)}, socksPort);
    client.SocksServer = "127.0.0.1";
    client.SocksPort = socksPort;
    std::vector<std::uint16_t> socksConnected;
    client.OnSocksConnected = [&](THttpCli*, std::uint16_t error) { socksConnected.push_back(error); };
    ASSERT_TRUE(run.run(&THttpCli::GetASync));
    EXPECT_EQ(client.StatusCode(), 200);
    EXPECT_TRUE(run.text() == data);
    EXPECT_EQ(socksConnected, std::vector<std::uint16_t>{0});
}

TEST(HttpCliServers, NginxKeepsTheConnectionRelocatesAndAuthenticates)
{
    Nginx nginx;
    THttpCli client;
    Recorder run(client);
    client.SetRequestVer("1.1");
    client.URL = url(portNumber(nginx.port), "/file.txt");
    ASSERT_TRUE(run.run(&THttpCli::GetASync));
    ASSERT_TRUE(run.run(&THttpCli::GetASync));
    EXPECT_EQ(run.text(), "the file's text\n");

    for (const std::string path : {"/relative", "/absolute"}) {
            client.URL = url(portNumber(nginx.port), path);
        ASSERT_TRUE(run.run(&THttpCli::GetASync));
        EXPECT_EQ(client.StatusCode(), 200) << path;
        EXPECT_EQ(run.text(), "the file's text\n") << "the redirect's own page is not kept";
        EXPECT_EQ(client.Location(), url(portNumber(nginx.port), "/file.txt"));
    }

    client.URL = url(portNumber(nginx.port), "/private/secret.txt");
    ASSERT_TRUE(run.run(&THttpCli::GetASync));
    EXPECT_EQ(client.StatusCode(), 401) << "no credentials, no retry";
    client.Username = "user";
    client.Password = "secret";
    ASSERT_TRUE(run.run(&THttpCli::GetASync));
    EXPECT_EQ(client.StatusCode(), 200);
    EXPECT_EQ(run.text(), "secret text\n");

    // Every request above went over the first connection; nginx logs a request after its reply.
    const auto logged = [&] {
        const std::string text = nginx.accessLog();
        return std::count(text.begin(), text.end(), '\n');
    };
    EXPECT_TRUE(pumpUntil([&] { return logged() == 9; }, 2000));
    const std::string log = nginx.accessLog();
    const std::string first = log.substr(0, log.find(' '));
    std::size_t lines = 0;
    for (std::size_t at = 0; at < log.size(); at = log.find('\n', at) + 1, ++lines)
        EXPECT_EQ(log.substr(at, first.size() + 1), first + " ") << log;
    EXPECT_EQ(lines, 9u) << log;
}

TEST(HttpCliServers, NginxAnswersConditionalAndRangeRequests)
{
    Nginx nginx;
    THttpCli client;
    Recorder run(client);
    client.URL = url(portNumber(nginx.port), "/file.txt");
    client.ModifiedSince = static_cast<double>(std::time(nullptr) + 3600) / 86400.0 + 25569.0;
    ASSERT_TRUE(run.run(&THttpCli::GetASync));
    EXPECT_EQ(client.StatusCode(), 304);
    EXPECT_EQ(run.docBegins, 0);

    client.ModifiedSince = 0;
    client.ContentRangeBegin = "4";
    client.ContentRangeEnd = "7";
    ASSERT_TRUE(run.run(&THttpCli::GetASync));
    EXPECT_EQ(client.StatusCode(), 206);
    EXPECT_EQ(run.text(), "file");
    EXPECT_EQ(client.ContentRangeBegin, "4");
    EXPECT_EQ(client.ContentRangeEnd, "7");
    EXPECT_EQ(client.AcceptRanges(), "");
}

TEST(HttpCliServers, TinyproxyCarriesTheWholeUrlAndAsksForCredentials)
{
    auto origin = scriptedHttpServer(R"(
c = accept()
head, _ = read_request(c)
c.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\norigin")
c.close()
)");
    QTemporaryDir dir;
    const std::string port = freePort();
    const std::string config = dir.filePath("tinyproxy.conf").toStdString();
    testsupport::writeFile(config, "Port " + port + "\nListen 127.0.0.1\nTimeout 20\nMaxClients 10\nUser nobody\n"
                                   "Group nogroup\nAllow 127.0.0.1\nBasicAuth puser psecret\n");
    auto proxy = startServer("tinyproxy", {"-d", "-c", QString::fromStdString(config)}, port);

    THttpCli client;
    Recorder run(client);
    std::vector<std::string> sent;
    client.OnCommand = [&](THttpCli*, std::string& line) { sent.push_back(line); };
    client.Proxy = "127.0.0.1";
    client.ProxyPort = port;
    client.URL = url(origin->port, "/doc");
    ASSERT_TRUE(run.run(&THttpCli::GetASync));
    EXPECT_EQ(client.StatusCode(), 407);
    EXPECT_EQ(client.Path(), url(origin->port, "/doc"));

    client.ProxyUsername = "puser";
    client.ProxyPassword = "psecret";
    sent.clear();
    ASSERT_TRUE(run.run(&THttpCli::GetASync));
    EXPECT_EQ(client.StatusCode(), 200);
    EXPECT_EQ(run.text(), "origin");
    const auto has = [&](const std::string& line) { return std::find(sent.begin(), sent.end(), line) != sent.end(); };
    EXPECT_TRUE(has("GET " + url(origin->port, "/doc") + " HTTP/1.0"));
    EXPECT_TRUE(has("Host: 127.0.0.1:" + std::to_string(origin->port))) << "the target's port, not the proxy's";
    EXPECT_TRUE(has("Proxy-Authorization: Basic " + EncodeStr(encBase64, "puser:psecret")));
}
