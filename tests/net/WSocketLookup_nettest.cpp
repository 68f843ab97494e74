#include "net/WSocketTestSupport.h"

#include <QElapsedTimer>

using namespace wsockettest;

namespace {

// Inside the namespace the hosts file is the only source of names, so an unknown name fails
// at once and no query leaves the machine.
const bool insideNamespace = netnstest::enterNetworkNamespace();

} // namespace

TEST(WSocketLookup, ADottedAddressIsAnsweredInsideTheCall)
{
    TWSocket socket;
    EventLog log(socket);
    for (const std::string name : {"10.0.0.1", "  10.0.0.1  "}) {
        log.events.clear();
        socket.DnsLookup(name);
        EXPECT_EQ(log.events, std::vector<std::string>{"DnsDone(0)"}) << name;
        EXPECT_EQ(socket.DnsResult(), "10.0.0.1");
        EXPECT_EQ(socket.DnsResultList(), std::vector<std::string>{"10.0.0.1"});
    }
}

TEST(WSocketLookup, NamesAndAddressesAreLookedUpInTheBackground)
{
    TWSocket socket;
    EventLog log(socket);
    socket.DnsLookup("peer.pelvaxon.test");
    EXPECT_TRUE(log.events.empty()) << "answered later";
    EXPECT_TRUE(socket.DnsResult().empty());
    ASSERT_TRUE(log.waitFor("DnsDone(0)"));
    EXPECT_EQ(socket.DnsResult(), "127.0.0.2");
    EXPECT_EQ(socket.DnsResultList(), (std::vector<std::string>{"127.0.0.2", "127.0.0.3"}));

    log.events.clear();
    socket.ReverseDnsLookup("127.0.0.1");
    ASSERT_TRUE(log.waitFor("DnsDone(0)"));
    EXPECT_EQ(socket.DnsResult(), "localhost");
    EXPECT_EQ(socket.DnsResultList(), std::vector<std::string>{"localhost"});
}

TEST(WSocketLookup, AnUnknownHostFailsQuicklyWithHostNotFound)
{
    TWSocket socket;
    EventLog log(socket);
    QElapsedTimer clock;
    clock.start();
    socket.DnsLookup("nowhere.pelvaxon.invalid");
    ASSERT_TRUE(log.waitFor("DnsDone(11001)"));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(socket.DnsResult().empty());
    EXPECT_TRUE(socket.DnsResultList().empty());
}

TEST(WSocketLookup, CancellingReportsInterruptedOnceAndNothingLater)
{
    TWSocket socket;
    EventLog log(socket);
    socket.DnsLookup("peer.pelvaxon.test");
    socket.CancelDnsLookup();
    EXPECT_EQ(log.events, std::vector<std::string>{"DnsDone(10004)"});
    socket.CancelDnsLookup();
    pumpFor(300);
    EXPECT_EQ(log.events, std::vector<std::string>{"DnsDone(10004)"});

    // A new lookup replaces a running one without a word about the first.
    log.events.clear();
    socket.DnsLookup("peer.pelvaxon.test");
    socket.DnsLookup("localhost");
    ASSERT_TRUE(log.waitFor("DnsDone(0)"));
    pumpFor(300);
    EXPECT_EQ(log.events, std::vector<std::string>{"DnsDone(0)"});
    EXPECT_EQ(socket.DnsResult(), "127.0.0.1");
}

TEST(WSocketLookup, AnEmptyNameIsRefused)
{
    TWSocket socket;
    EventLog log(socket);
    EXPECT_EQ(raised([&] { socket.DnsLookup(""); }), "DNS lookup: invalid host name.");
    socket.OnError = [](TCustomWSocket*) {};
    socket.DnsLookup("");
    socket.ReverseDnsLookup(std::string(300, '1'));
    EXPECT_EQ(log.events, (std::vector<std::string>{"DnsDone(10022)", "DnsDone(10022)"}));
}

TEST(WSocketLookup, ASocketFreedDuringALookupHearsNothing)
{
    int events = 0;
    {
        TWSocket socket;
        socket.OnDnsLookupDone = [&](TCustomWSocket*, std::uint16_t) { ++events; };
        socket.DnsLookup("localhost");
    }
    pumpFor(300);
    EXPECT_EQ(events, 0);
}
