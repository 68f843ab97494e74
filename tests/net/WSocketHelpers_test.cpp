#include "net/WSocketErrors.h"
#include "net/WSocketHelpers.h"
#include "net/WSocketLoader.h"
#include "net/WSocketTestSupport.h"

#include <string>

using wsockettest::dotted;
using wsockettest::raised;

// First, while nothing else has loaded the library.
TEST(WSocketLoader, TheLibraryStaysWhileASocketLivesAndComesBackForTheNext)
{
    EXPECT_FALSE(WSocketLoaded());
    WSocketAddSocket();
    EXPECT_FALSE(WSocketLoaded()) << "loaded on the first call, not before";
    const platform::SOCKET s = WSocket_socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(s, platform::INVALID_SOCKET);
    EXPECT_TRUE(WSocketLoaded());
    EXPECT_EQ(WSocketGCount(), 1);
    EXPECT_FALSE(WSocketSetReqVerHigh(2)) << "the version cannot change while loaded";
    EXPECT_TRUE(WSocketSetReqVerHigh(1));
    WSocket_closesocket(s);
    WSocketRemoveSocket();
    EXPECT_FALSE(WSocketLoaded());
    EXPECT_EQ(WSocketGCount(), 0);

    platform::WSADATA info;
    WinsockInfo(info);
    EXPECT_EQ(info.wVersion, platform::MAKEWORD(1, 1));
    EXPECT_EQ(info.szSystemStatus, "Running");
    EXPECT_FALSE(WSocketLoaded()) << "info alone keeps nothing loaded";

    WSocketForceLoadWinsock();
    EXPECT_TRUE(WSocketLoaded());
    EXPECT_EQ(WSocketGCount(), 1);
    WSocketCancelForceLoadWinsock();
    EXPECT_FALSE(WSocketLoaded());
    EXPECT_EQ(WSocketGCount(), 0);
}

TEST(WSocketLoader, EntryPointsAreFoundByNameInTheirLibrary)
{
    EXPECT_EQ(WSocketGetProc(""), nullptr);
    EXPECT_EQ(WSocketGetProc("socket"), reinterpret_cast<WSocketProc>(&WSocket_socket));
    EXPECT_NE(WSocket2GetProc("WSAIoctl"), nullptr);
    EXPECT_EQ(raised([] { WSocketGetProc("WSAIoctl"); }), "Procedure WSAIoctl not found in wsock32.dll Error #2");
    EXPECT_EQ(raised([] { WSocket2GetProc("bogus"); }), "Procedure bogus not found in ws2_32.dll Error #2");
    WSocketUnloadWinsock();
    EXPECT_FALSE(WSocketLoaded());
}

TEST(WSocketErrors, TextsAndTheExceptionFormat)
{
    EXPECT_EQ(WSocketErrorDesc(0), "No Error");
    EXPECT_EQ(WSocketErrorDesc(10035), "Operation would block");
    EXPECT_EQ(WSocketErrorDesc(10047), "Address family not supported by protocol family");
    EXPECT_EQ(WSocketErrorDesc(10058), "Can't send after socket shutdown");
    EXPECT_EQ(WSocketErrorDesc(10093), "WinSock not initialized");
    EXPECT_EQ(WSocketErrorDesc(11004), "No Data");
    EXPECT_EQ(WSocketErrorDesc(10001), "Not a WinSock error");
    EXPECT_EQ(WSocketErrorDesc(2), "Not a WinSock error");
    EXPECT_EQ(WSocketErrorText(10057, "Send"), "Error 10057 in function Send\r\nSocket is not connected");
}

TEST(WSocketIsDottedIP, AcceptsFourPartsUpTo255WithBlanksAround)
{
    const char* const dotted[] = {"192.168.0.1", "  192.168.0.1  ", "0.0.0.0", "255.255.255.255",
                                  "10.0.0.1 ", " 1.2.3.4", "001.002.003.004", "127.0.0.1"};
    for (const char* text : dotted)
        EXPECT_TRUE(WSocketIsDottedIP(text)) << text;
    const char* const notDotted[] = {
        "192.168.0", "192.168.0.256", "192.168.0.1.", ".1.2.3.4", "1.2.3.4.5", "", " ", "1..2.3",
        "1.2.3.", "a.b.c.d", "1.2.3.4x", "1.2.3.4 x", "256.1.1.1", "1.2.3.1000", "1.2 .3.4", "localhost",
        "1.2.3.-4", "1,2,3,4", "99999999999.1.1.1", "\t1.2.3.4", "1.2.3.4\t",
    };
    for (const char* text : notDotted)
        EXPECT_FALSE(WSocketIsDottedIP(text)) << '"' << text << '"';
}

TEST(WSocketResolve, PortsByNumberOrServiceName)
{
    EXPECT_EQ(WSocketResolvePort("ftp", "tcp"), 21);
    EXPECT_EQ(WSocketResolvePort(" http ", " tcp "), 80);
    EXPECT_EQ(WSocketResolvePort("8080x", "tcp"), 8080);
    EXPECT_EQ(WSocketResolvePort("0", "udp"), 0);
    EXPECT_EQ(raised([] { WSocketResolvePort("", "tcp"); }), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(raised([] { WSocketResolvePort(std::string(32, '1'), "tcp"); }), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(raised([] { WSocketResolvePort("65536", "tcp"); }), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(raised([] { WSocketResolvePort("21", ""); }), "WSocketResolvePort: Invalid Proto.");
    EXPECT_EQ(raised([] { WSocketResolvePort("nosuchservice", "tcp"); }),
              "WSocketResolvePort: Cannot convert port 'nosuchservice', Error #11004");
}

TEST(WSocketResolve, ProtocolsByNumberOrName)
{
    EXPECT_EQ(WSocketResolveProto(" UDP "), 17);
    EXPECT_EQ(WSocketResolveProto("raw"), 255);
    EXPECT_EQ(WSocketResolveProto("tcp"), 6);
    EXPECT_EQ(WSocketResolveProto("1"), 1);
    EXPECT_EQ(WSocketResolveProto("icmp"), 1);
    EXPECT_EQ(raised([] { WSocketResolveProto(""); }), "WSocketResolveProto: Invalid Protocol.");
    EXPECT_EQ(raised([] { WSocketResolveProto("nosuchproto"); }),
              "WSocketResolveProto: Cannot convert protocol 'nosuchproto', Error #11004");
}

TEST(WSocketResolve, DottedHostsConvertWithoutALookup)
{
    EXPECT_EQ(dotted(WSocketResolveHost("10.0.0.1")), "10.0.0.1");
    EXPECT_EQ(dotted(WSocketResolveHost("  10.0.0.1  ")), "10.0.0.1");
    // Octal parts, as Windows Sockets reads them.
    EXPECT_EQ(dotted(WSocketResolveHost("010.0.0.1")), "8.0.0.1");
    EXPECT_EQ(WSocketResolveHost("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(raised([] { WSocketResolveHost("09.0.0.1"); }), "WSocketResolveHost: '09.0.0.1' Invalid IP address.");
    EXPECT_EQ(raised([] { WSocketResolveHost(""); }), "WSocketResolveHost: '' Invalid Hostname.");
    const std::string tooLong(257, 'a');
    EXPECT_EQ(raised([&] { WSocketResolveHost(tooLong); }), "WSocketResolveHost: '" + tooLong + "' Invalid Hostname.");
    EXPECT_EQ(raised([] { WSocketGetHostByName(""); }), "WSocketGetHostByName: Invalid Hostname.");
    EXPECT_EQ(raised([] { WSocketGetHostByAddr(""); }), "WSocketGetHostByAddr: Invalid address.");
}
