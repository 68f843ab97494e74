// Where the trace window's hops are: the cache of places fetched before, the hosts nobody
// could place, and the location service asked about the rest.
#include "webtools/trcrt.h"

#include "net/HttpProt.h"
#include "net/Ping.h"
#include "platform/fs/OpenRegularFile.h"
#include "platform/shell/Directories.h"
#include "platform/ui/IniFile.h"
#include "platform/ui/Locations.h"
#include "platform/ui/MessageService.h"
#include "platform/win/MessagePump.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

const std::string LocationSection = "tracert";
const std::string LocationUrlKey = "locationurl";
// A reply is two short lines; anything beyond this is not read.
constexpr std::size_t LongestReply = 1 << 20;

// The reply as it comes, kept up to a limit; the rest is dropped.
class CappedStream final : public platform::Stream {
public:
    std::int64_t position() const override { return bytes_.position(); }
    std::int64_t size() const override { return bytes_.size(); }
    std::size_t read(void* buffer, std::size_t count) override { return bytes_.read(buffer, count); }
    void write(const void* buffer, std::size_t count) override
    {
        const auto room = static_cast<std::int64_t>(LongestReply) - bytes_.position();
        bytes_.write(buffer, static_cast<std::size_t>(std::clamp<std::int64_t>(room, 0, std::int64_t(count))));
    }
    void setPosition(std::int64_t position) override { bytes_.setPosition(position); }
    void cut(std::int64_t size) override { bytes_.cut(size); }

    std::string_view text() const
    {
        return {reinterpret_cast<const char*>(bytes_.bytes().data()), bytes_.bytes().size()};
    }

private:
    platform::MemoryStream bytes_;
};

} // namespace

std::string TtracertForm::LocationCacheFile() const
{
    return platform::dataDirectory() + LocationCacheName;
}

void TtracertForm::ReadLocationSetting(const platform::IniFile& ini)
{
    if (locationUrlGiven)
        return;
    // A missing key is written empty, so the user finds where to name a service.
    const std::string missing = "\n";
    locationUrl = ini.readString(LocationSection, LocationUrlKey, missing);
    if (locationUrl != missing)
        return;
    locationUrl.clear();
    if (!ini.loadError().empty())
        return;
    platform::IniFile settings(ini.path());
    settings.writeString(LocationSection, LocationUrlKey, "");
    try {
        settings.save();
    } catch (const platform::Exception&) {
        // The main window writes the settings again when it closes, and says why it cannot.
    }
}

void TtracertForm::LoadLocationCache()
{
    locationList.clear();
    const std::string name = LocationCacheFile();
    try {
        locationList = ReadLocationCache(name);
        return;
    } catch (const platform::FileOpenError& error) {
        // The file lives in the user's data directory, not beside the program, so it is
        // missing on every first run: made quietly then; one that is there and unreadable is told.
        if (error.errorNumber() == ENOENT
            && platform::fileop::MakeDirectories(platform::dataDirectory(), 0777) == 0) {
            try {
                platform::OpenRegularFile(name, platform::FileAccess::Append);
                return;
            } catch (const platform::FileOpenError&) {
            }
        }
    }
    platform::ShowMessage("Opening of the location DB file was not succesful: " + name);
}

void TtracertForm::RememberLocation(const HopInfo& hop)
{
    const LocationRecord record{hop.ip, hop.host, hop.city, hop.country, hop.lat, hop.lon};
    locationList.push_back(record);
    const std::string name = LocationCacheFile();
    try {
        // The folder may have gone since the first showing made it.
        platform::fileop::MakeDirectories(platform::dataDirectory(), 0777);
        AppendLocationRecord(name, record);
    } catch (const platform::FileOpenError&) {
        platform::ShowMessage("file open not succesful: " + name);
    }
}

HopInfo TtracertForm::LookupHopLocation(const std::string& ip, const std::string& host, std::string& errorText)
{
    HopInfo hop;
    hop.ip = ip;
    hop.host = host;
    hop.rtt = static_cast<int>(std::min<std::uint32_t>(Trace->Reply().RoundTripTime, INT_MAX));
    errorText.clear();
    if (!host.empty()) {
        const LocationRecord* cached = FindLocationEntry(locationList, ip, host);
        if (cached) {
            hop.city = cached->city;
            hop.country = cached->country;
            hop.lat = cached->lat;
            hop.lon = cached->lon;
            globe::PlaceHop(hop);
        } else if (!FindLocationEntry(unlocatedList, ip, host) && !locationUrl.empty() && !locationServiceDown) {
            std::string reason;
            const LocationAnswer answer = AskLocationService(hop, reason);
            if (answer != LocationAnswer::Answered) {
                // One failure line per run: a service that cannot be reached is not asked
                // again at every router.
                errorText = "Failed : " + reason;
                locationServiceDown = true;
            }
            // A request that never started said nothing of the host: it is asked next time.
            if (hop.city.empty() && answer != LocationAnswer::NotStarted)
                unlocatedList.push_back({ip, host});
        }
    }
    if (hop.rtt > 0)
        hopList.push_back(hop);
    RepaintPanel();
    return hop;
}

// Whatever the request and its outcome: the waiting lookup reads both from the client.
void TtracertForm::HttpCli1RequestDone(THttpCli*, THttpRequest, std::uint16_t)
{
    requestDone = true;
    if (locationWait)
        locationWait->quit();
}

TtracertForm::LocationAnswer TtracertForm::AskLocationService(HopInfo& hop, std::string& reason)
{
    CappedStream received;
    platform::MemoryStream sent;
    const std::string body = LocationRequestBody(hop.host);
    sent.write(body.data(), body.size());
    sent.setPosition(0);
    HttpCli1->URL = locationUrl;
    HttpCli1->SendStream = &sent;
    HttpCli1->RcvdStream = &received;
    requestDone = false;
    bool started = true;
    try {
        HttpCli1->PostASync();
    } catch (const std::exception& error) {
        started = false;
        reason = error.what();
    }
    if (started && !requestDone) {
        QEventLoop wait;
        locationWait = &wait;
        QElapsedTimer clock;
        clock.start();
        // Checked now and then: a silent service is given up, and so is any wait once the
        // program quits.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (clock.elapsed() >= locationTimeoutMs || platform::ApplicationTerminated())
                HttpCli1->Abort();
        });
        watch.start(std::min(locationTimeoutMs, 50));
        if (!requestDone)
            wait.exec();
        locationWait = nullptr;
    }
    HttpCli1->SendStream = nullptr;
    HttpCli1->RcvdStream = nullptr;
    if (!started)
        return LocationAnswer::NotStarted;
    if (HttpCli1->RequestErrorCode() != 0 || HttpCli1->StatusCode() / 100 != 2) {
        // A connection closed before any reply leaves no reason of the server's.
        reason = HttpCli1->ReasonPhrase().empty() ? "no reply from " + locationUrl : HttpCli1->ReasonPhrase();
        return LocationAnswer::Failed;
    }
    const LocationReply place = ScanLocationReply(received.text());
    if (place.found) {
        hop.lat = place.lat;
        hop.lon = place.lon;
        hop.city = place.city;
        hop.country = place.country;
        globe::PlaceHop(hop);
        hop.fromCache = hop.city.empty();
    }
    return LocationAnswer::Answered;
}
