// The FTP server engine without a window, for benchmarks and for tests that drive it from
// outside: serves HOME on 127.0.0.1 at PORT (0: any free port), prints the port it listens
// on as the first line, and stops cleanly on SIGTERM or SIGINT. Each line read on standard
// input is answered "clients N heap BYTES": the clients connected and the bytes allocated,
// once all posted work is done. With PASV_FIRST, passive connections take the 100 ports from
// there on, as servers set up beside it are given.
//   ftpd HOME PORT [PASV_FIRST]
#include "net/FtpSrv.h"
#include "platform/ui/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>

namespace {

// Allocated bytes say whether something was kept; the resident size also counts what the
// allocator holds on to after a peak.
void AnswerStateQueries(const TFtpServer& server)
{
    auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(input, &QSocketNotifier::activated, input, [&server, input] {
        char bytes[256];
        const ssize_t count = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (count <= 0) {
            input->setEnabled(false);
            return;
        }
        for (ssize_t i = 0; i < count; ++i) {
            if (bytes[i] != '\n')
                continue;
            QCoreApplication::sendPostedEvents();
            const struct mallinfo2 heap = ::mallinfo2();
            std::printf("clients %d heap %zu\n", server.ClientCount(), heap.uordblks + heap.hblkhd);
        }
        std::fflush(stdout);
    });
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s HOME PORT [PASV_FIRST]\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    platform::quitOnTerminationSignals();
    try {
        const std::string home = argv[1];
        TFtpServer server;
        server.Addr = "127.0.0.1";
        server.Port = argv[2];
        if (argc == 4) {
            server.SetPasvPortRangeStart(std::stoi(argv[3]));
            server.SetPasvPortRangeSize(100);
        }
        server.OnClientConnect = [&home](TFtpServer*, TFtpCtrlSocket* Client, std::uint16_t) {
            Client->HomeDir = home;
        };
        server.Start();
        std::printf("%s\n", server.ServerSocket().GetXPort().c_str());
        std::fflush(stdout);
        AnswerStateQueries(server);
        const int status = app.exec();
        server.Stop();
        server.DisconnectAll();
        return status;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ftpd: %s\n", error.what());
        return 1;
    }
}
