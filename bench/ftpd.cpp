// The FTP server engine without a window, for benchmarks and for tests that drive it from
// outside: serves HOME on 127.0.0.1 at PORT (0: any free port), prints the port it listens
// on as the first line, and stops cleanly on SIGTERM or SIGINT.
//   ftpd HOME PORT
#include "net/FtpSrv.h"
#include "platform/ui/TerminationSignals.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s HOME PORT\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    platform::quitOnTerminationSignals();
    try {
        const std::string home = argv[1];
        TFtpServer server;
        server.Addr = "127.0.0.1";
        server.Port = argv[2];
        server.OnClientConnect = [&home](TFtpServer*, TFtpCtrlSocket* Client, std::uint16_t) {
            Client->HomeDir = home;
        };
        server.Start();
        std::printf("%s\n", server.ServerSocket().GetXPort().c_str());
        std::fflush(stdout);
        const int status = app.exec();
        server.Stop();
        server.DisconnectAll();
        return status;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ftpd: %s\n", error.what());
        return 1;
    }
}
