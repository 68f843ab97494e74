#pragma once

#include "filemanager/mainfr.h"
#include "net/Ping.h"
#include "webtools/trcrt.h"

#include <QComboBox>
#include <QTimer>

#include <arpa/inet.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tracetest {

// The trace window's result lines, top first.
inline std::vector<std::string> resultLines(const TtracertForm& form)
{
    std::vector<std::string> lines;
    for (int i = 0; i < form.traceresultComboBox->count(); ++i)
        lines.push_back(form.traceresultComboBox->itemText(i).toStdString());
    return lines;
}

// The main window the trace window reads its program directory and last host from; made,
// never shown, and reachable through MainForm while it lives.
class MainWindowStandIn {
public:
    explicit MainWindowStandIn(const std::string& exeDir = "/nonexistent/") : form_(std::make_unique<TMainForm>())
    {
        MainForm = form_.get();
        form_->exeDir = exeDir;
    }
    ~MainWindowStandIn() { MainForm = nullptr; }

private:
    std::unique_ptr<TMainForm> form_;
};

inline const char* const Target = "10.9.0.9";

// One scripted answer: who answers (empty: nobody), after how long.
struct Answer {
    std::string address;
    std::uint32_t rtt = 0;
};

// Routers answer the echoes of TTL 1, 2, ... in turn; the target answers any TTL beyond them.
class ScriptedPing : public TPing {
public:
    std::vector<Answer> routers;
    Answer target{Target, 7};
    bool permitted = true;
    bool lookupLater = false;
    std::vector<int> ttls;
    std::vector<std::string> lookups;
    // Runs inside the echo of the given number (from 1), as the user's clicks would.
    std::function<void(int echo)> duringEcho;

    void DnsLookup(const std::string& name) override
    {
        lookups.push_back(name);
        // "nowhere..." is unknown; any other name is the target, whose dotted address completes at once.
        auto finish = [this, name] {
            name.starts_with("nowhere") ? OnDnsLookupDone(this, 11001) : TPing::DnsLookup(Target);
        };
        lookupLater ? QTimer::singleShot(10, finish) : finish();
    }

    std::int32_t Ping() override
    {
        ttls.push_back(TTL());
        if (duringEcho)
            duringEcho(static_cast<int>(ttls.size()));
        const std::size_t ttl = static_cast<std::size_t>(TTL());
        const Answer answer = !permitted ? Answer{} : ttl <= routers.size() ? routers[ttl - 1] : target;
        reply_ = {};
        reply_.RoundTripTime = answer.rtt;
        const std::int32_t status = answer.address.empty() ? 0 : 1;
        if (status)
            reply_.Address = ::inet_addr(answer.address.c_str());
        error_ = permitted ? "Request timed out" : "General failure";
        if (OnEchoReply)
            OnEchoReply(this, nullptr, status);
        return status;
    }
    platform::IcmpEchoReply Reply() const override { return reply_; }
    std::string ErrorString() const override { return error_; }
    bool EchoPermitted() const override { return permitted; }

private:
    platform::IcmpEchoReply reply_;
    std::string error_;
};

// A Python location service on 127.0.0.1, its port printed first: places r1.pvx.test and
// target.pvx.test, answers anything else without coordinates, and appends every request to
// the log file. MODE: "places", "close" (no reply), "404", "silent".
inline std::string LocationServiceScript(const std::string& mode, const std::string& log)
{
    return R"(
import http.server, time
MODE = ")" + mode + R"("
PLACES = {"r1.pvx.test": "<pre>Lat, Lon: 40.11, -88.24\n<b>Urbana</b>US</b>\n",
          "target.pvx.test": "x:y <pre>Lat, Lon: 48.85, 2.35\n>Paris</b>FR</b>"}
class Service(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0"))).decode("latin-1")
        with open(")" + log + R"(", "a") as log:
            log.write("REQUEST %s\nUser-Agent: %s\nContent-Type: %s\nContent-Length: %s\n%s\n" % (
                self.requestline, self.headers["User-Agent"], self.headers["Content-Type"],
                self.headers["Content-Length"], body))
        if MODE == "close":
            return
        if MODE == "silent":
            time.sleep(60)
        if MODE == "404":
            self.send_error(404)
            return
        reply = ("<html>\n" + PLACES.get(body[5:], "<p>unknown</p>\n")).encode()
        self.send_response(200)
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Service)
print(server.server_address[1], flush=True)
server.serve_forever()
)";
}

} // namespace tracetest
