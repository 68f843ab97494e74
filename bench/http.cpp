// The HTTP client's harness for bench/http.sh.
// A request that fails exits with 1 and says why on standard error.
//   http get URL              one GET into a memory stream: prints seconds and bytes
//   http get URL FILE         one GET into FILE, made anew: prints seconds and bytes
//   http requests URL N VER   N GETs of URL one after the other with HTTP/VER: prints seconds
#include "net/HttpProt.h"
#include "platform/graphics/FileStream.h"
#include "platform/win/MessagePump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// Runs one request to its end; false, said on standard error, when it failed.
bool fetch(THttpCli& client)
{
    bool done = false;
    std::uint16_t error = 0;
    client.OnRequestDone = [&](THttpCli*, THttpRequest, std::uint16_t ErrCode) {
        done = true;
        error = ErrCode;
    };
    client.GetASync();
    while (!done)
        platform::WaitForMessages(1000);
    if (error == 0 && client.StatusCode() == 200)
        return true;
    std::fprintf(stderr, "http: %s: error %u, status %d: %s\n", client.URL.c_str(), error, client.StatusCode(),
                 client.ReasonPhrase().c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: http get URL [FILE] | http requests URL N VERSION\n");
        return 2;
    }
    const std::string mode = argv[1];
    THttpCli client;
    client.URL = argv[2];
    QElapsedTimer clock;
    if (mode == "get" && argc <= 4) {
        clock.start();
        // The file is made inside the timing, as curl -o makes its own.
        std::unique_ptr<platform::Stream> body;
        if (argc == 4)
            body = std::make_unique<platform::FileStream>(argv[3], platform::FileStream::Mode::Create);
        else
            body = std::make_unique<platform::MemoryStream>();
        client.RcvdStream = body.get();
        if (!fetch(client))
            return 1;
        const double seconds = clock.nsecsElapsed() / 1e9;
        std::printf("%.6f %lld\n", seconds, static_cast<long long>(body->size()));
        return 0;
    }
    if (mode == "requests" && argc == 5) {
        platform::MemoryStream body;
        client.RcvdStream = &body;
        const int count = std::atoi(argv[3]);
        client.SetRequestVer(argv[4]);
        clock.start();
        for (int i = 0; i < count; ++i) {
            body = platform::MemoryStream();
            if (!fetch(client))
                return 1;
        }
        std::printf("%.6f\n", clock.nsecsElapsed() / 1e9);
        return 0;
    }
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
}
