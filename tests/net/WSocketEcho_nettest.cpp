// A small echo server and its clients, both written with the socket alone.

#include "net/WSocketTestSupport.h"

#include <algorithm>

using namespace wsockettest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

class EchoServer {
public:
    EchoServer()
    {
        port = listenOnLoopback(listener_);
        listener_.OnSessionAvailable = [this](TCustomWSocket* sender, std::uint16_t) {
            auto client = std::make_unique<TWSocket>();
            client->OnDataAvailable = [](TCustomWSocket* s, std::uint16_t) {
                char buffer[32768];
                const std::int32_t n = s->Receive(buffer, sizeof buffer);
                if (n > 0)
                    s->Send(buffer, n);
            };
            client->OnSessionClosed = [this](TCustomWSocket* s, std::uint16_t) { forget(s); };
            client->Dup(sender->Accept());
            clients_.push_back(std::move(client));
        };
    }
    std::size_t clientCount() const { return clients_.size(); }

    std::string port;

private:
    // A client cannot be freed inside its own event: it is given up and frees itself later.
    void forget(TCustomWSocket* client)
    {
        const auto found = std::find_if(clients_.begin(), clients_.end(),
                                        [client](const std::unique_ptr<TWSocket>& c) { return c.get() == client; });
        if (found == clients_.end())
            return;
        found->release()->Release();
        clients_.erase(found);
    }

    TWSocket listener_;
    std::vector<std::unique_ptr<TWSocket>> clients_;
};

struct EchoClient {
    EchoClient(const std::string& port, std::size_t size, quint32 seed) : sent(randomBytes(size, seed))
    {
        socket.OnSessionConnected = [this, seed](TCustomWSocket* s, std::uint16_t error) {
            EXPECT_EQ(error, 0);
            sendInPieces(*s, sent, seed);
        };
        socket.OnDataAvailable = [this](TCustomWSocket* s, std::uint16_t) {
            char buffer[65536];
            const std::int32_t n = s->Receive(buffer, sizeof buffer);
            if (n > 0)
                received.append(buffer, static_cast<std::size_t>(n));
        };
        connectTo(socket, port);
    }
    bool done() const { return received.size() >= sent.size(); }

    TWSocket socket;
    const std::string sent;
    std::string received;
};

} // namespace

TEST(WSocketEcho, TwoClientsExchangeTenMegabytesEachByteExact)
{
    EchoServer server;
    constexpr std::size_t size = 10 * 1000 * 1000;
    EchoClient first(server.port, size, 1);
    EchoClient second(server.port, size, 2);
    ASSERT_TRUE(pumpUntil([&] { return first.done() && second.done(); }, 120000))
        << first.received.size() << " and " << second.received.size();
    EXPECT_EQ(server.clientCount(), 2u);
    for (const EchoClient* client : {&first, &second}) {
        EXPECT_EQ(client->received.size(), size);
        EXPECT_TRUE(client->received == client->sent);
        EXPECT_EQ(client->socket.ReadCount(), static_cast<std::int64_t>(size));
    }

    first.socket.Close();
    second.socket.Close();
    ASSERT_TRUE(pumpUntil([&] { return server.clientCount() == 0; }));
}
