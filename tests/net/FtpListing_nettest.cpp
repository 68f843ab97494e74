#include "net/FtpSrvT.h"
#include "net/FtpTestSupport.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

using namespace ftptest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

// Each test runs in the zone it names; the engine reads TZ when it formats.
class FtpListing : public FtpServerTest {
protected:
    void InZone(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~FtpListing() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
    }
};

std::int64_t Seconds(const std::string& utc)
{
    std::tm parts{};
    strptime(utc.c_str(), "%Y-%m-%d %H:%M:%S", &parts);
    return timegm(&parts);
}

} // namespace

TEST_F(FtpListing, ListingsAndFileTimesAreRightInAnyZone)
{
    InZone("Europe/Berlin");
    const std::string root = home.Root();
    home.File("summer.txt", "12345");
    home.SetMtime("summer.txt", Seconds("2021-07-01 10:00:00"));
    home.File("winter.txt", "1");
    home.SetMtime("winter.txt", Seconds("2021-01-15 10:00:00"));
    home.File(".dot", "");
    home.File("go.bat", "");
    home.Dir("sub");
    home.Sparse("huge.bin", 3LL << 30);
    home.Dir("empty");
    // A date of this year shows its time of day (here 9:05 in Berlin, 8:05 UTC), an older one its year.
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    const std::string thisYear = std::to_string(today.tm_year + 1900);
    home.File("recent.log", std::string(1234567, 'r'));
    home.SetMtime("recent.log", Seconds(thisYear + "-01-03 08:05:00"));
    const ClientRun run = Python(R"(
f = client()
for name, facts in f.mlsd():
    print(name, facts["type"], facts.get("size"), facts["modify"] if name.endswith(".txt") else "")
print(cmd(f, "MDTM summer.txt"))
print(cmd(f, "MDTM winter.txt"))
lines = []
f.retrlines("LIST", lines.append)
print(len(lines), [l[:10] + "|" + l[29:40].strip() for l in lines if "huge" in l or "go.bat" in l or "dot" in l])
print("|".join(l for l in lines if l.endswith(".txt") or l.endswith(".log")))
lines = []
f.retrlines("LIST -la", lines.append)
print([l[-4:] for l in lines if "dot" in l])
print(f.nlst("*.txt"))
f.cwd("empty")
f.retrlines("LIST", print)
f.retrlines("LIST -l", print)
f.retrlines("LIST nosuch/", print)
print(cmd(f, "MLST ../winter.txt"))
print(cmd(f, "MDTM 20210102030405+60 ../winter.txt"))
print(cmd(f, "MDTM ../winter.txt"))
print(cmd(f, "MFMT 20201231235959 ../summer.txt"))
print(cmd(f, "MFMT ../summer.txt"))
print(cmd(f, "MDTM 20211301000000 ../summer.txt"))
print(cmd(f, "MDTM 20210230000000 ../summer.txt"))
print(cmd(f, "MDTM nothing"))
)");
    EXPECT_EQ(run.out, ". cdir 0 \n"
                       ".. pdir 0 \n"
                       "empty dir 0 \n"
                       "go.bat file 0 \n"
                       "huge.bin file 3221225472 \n"
                       "recent.log file 1234567 \n"
                       "sub dir 0 \n"
                       "summer.txt file 5 20210701100000\n"
                       "winter.txt file 1 20210115100000\n"
                       "213 20210701100000.000\n"
                       "213 20210115100000.000\n"
                       "7 ['-rwxrwxrwx|0', '-rw-rw-rw-|3221225472']\n"
                       "-rw-rw-rw-   1 ftp      ftp      1234567 Jan 03 09:05 recent.log|"
                       "-rw-rw-rw-   1 ftp      ftp            5 Jul 01  2021 summer.txt|"
                       "-rw-rw-rw-   1 ftp      ftp            1 Jan 15  2021 winter.txt\n"
                       "['.dot']\n"
                       "['summer.txt', 'winter.txt']\n"
                       + root + "/empty/*.* not found\n"
                       + root + "/empty/-l not found\n"
                       + root + "/empty/nosuch/*.* not found\n"
                       "250-Listing ../winter.txt\n"
                       " type=file;size=1;perm=fdrwa;create=" + run.out.substr(run.out.find("create=") + 7, 14)
                       + ";modify=20210115100000; winter.txt\n"
                       "250 END\n"
                       "253 Date/time changed OK\n"
                       "213 20210102040405.000\n"
                       "213 Date/time changed OK\n"
                       "501 Syntax error in MDTM/MFMT parameter.\n"
                       "501 Syntax error in MDTM/MFMT parameter.\n"
                       "501 Syntax error in MDTM/MFMT parameter.\n"
                       "550 '" + root + "/empty/nothing': no such file or directory.\n")
        << run.err;
    EXPECT_EQ(FileUtcStr(root + "/summer.txt"), "20201231235959.000");
}

TEST_F(FtpListing, ClientsReadOurListingsAndTimes)
{
    InZone("Europe/Berlin");
    home.File("a.txt", "alpha");
    home.SetMtime("a.txt", Seconds("2021-07-01 10:00:00"));
    home.File("b.txt", "beta");
    home.SetMtime("b.txt", Seconds("2021-01-15 10:00:00"));
    home.Dir("sub");
    home.SetMtime("sub", Seconds("2020-03-04 05:06:00"));
    const ClientRun lftp = Lftp("ls");
    EXPECT_NE(lftp.out.find("a.txt"), std::string::npos) << lftp.out << lftp.err;
    EXPECT_NE(lftp.out.find("b.txt"), std::string::npos) << lftp.out << lftp.err;
    // After FEAT lftp lists through MLSD and shows what it understood of each line.
    const ClientRun facts = Lftp("cls -l");
    EXPECT_EQ(facts.out, "-rw-r--r--        5 Jul  1  2021 a.txt\n"
                         "-rw-r--r--        4 Jan 15  2021 b.txt\n"
                         "drwxr-xr-x        0 Mar  4  2020 sub/\n")
        << facts.err;

    EXPECT_EQ(Curl("/", {"-l"}).out, "a.txt\nb.txt\nsub\n");
    testfs::TempTree local;
    const std::string copy = local.Path("a.txt");
    EXPECT_EQ(Curl("/a.txt", {"-R", "-o", QString::fromStdString(copy)}).exitCode, 0);
    struct stat status {};
    ASSERT_EQ(::stat(copy.c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, Seconds("2021-07-01 10:00:00"));

    // A listing longer than the pieces it is built in comes whole and in order.
    std::vector<std::string> names;
    for (int i = 4000; i > 0; --i) {
        names.push_back("name-long-enough-to-fill-pieces-" + std::to_string(i));
        home.File("many/" + names.back(), "");
    }
    std::sort(names.begin(), names.end());
    std::string expected;
    for (const std::string& name : names)
        expected += name + "\n";
    EXPECT_EQ(Curl("/many/", {"-l"}).out, expected);
}

TEST_F(FtpListing, ListingsInARowAndAtOnceEachGetTheirOwnLines)
{
    // Listings are built in room kept from the one before: a short one after a long one, and
    // one built while another waits for its data connection, hold their own lines alone.
    for (int i = 0; i < 3000; ++i)
        home.File("many/entry-" + std::to_string(10000 + i), "");
    home.File("few/a", "");
    home.File("few/b", "x");
    const ClientRun run = Python(R"(
many = ["entry-%d" % (10000 + i) for i in range(3000)]
f, g = client(), client()
def names(f, command, where):
    f.cwd(where)
    lines = []
    f.retrlines(command, lines.append)
    f.cwd("..")
    return [line.split(" ")[-1] for line in lines]
print(names(f, "MLSD", "many") == [".", ".."] + many, names(f, "NLST", "few"))
print(names(f, "LIST", "many") == many, names(f, "LIST", "few"))
f.cwd("many")
waiting = pasv_port(cmd(f, "PASV"))
print(cmd(f, "NLST")[:3], names(g, "NLST", "few"), names(g, "MLSD", "few"))
data = socket.create_connection(("127.0.0.1", waiting), timeout=10)
received = data.makefile("rb").read()
data.close()
print(f.voidresp()[:3], received.decode().split("\r\n") == many + [""])
)");
    EXPECT_EQ(run.out, "True ['a', 'b']\n"
                       "True ['a', 'b']\n"
                       "150 ['a', 'b'] ['.', '..', 'a', 'b']\n"
                       "226 True\n")
        << run.err;
}

TEST(FtpTimes, TextsAndFactsConvertBothWays)
{
    EXPECT_EQ(TimeDateStr(MDTM2Date("20240229235958.123")), "20240229235958.123");
    EXPECT_EQ(MDTM2Date("2024022923595"), 0);
    EXPECT_EQ(MDTM2Date("20230229000000"), -1);
    EXPECT_EQ(MDTM2Date("20230228250000"), -1);
    EXPECT_EQ(ParseTimeZoneMinutes(" -120"), -120);
    EXPECT_EQ(ParseTimeZoneMinutes("+60"), 60);
    EXPECT_EQ(ParseTimeZoneMinutes("-"), 0);
    EXPECT_EQ(UnixSecondsOfUTC(DateTimeOfUnixSeconds(-86401)), -86401);
    EXPECT_EQ(TimeDateStr(DateTimeOfUnixSeconds(4102444800)), "21000101000000.000");
    std::string name, type, perm;
    std::int64_t size = 0;
    TDateTime time = 0;
    EXPECT_TRUE(DecodeMlsResp("Size=3221225472;Type=file;Perm=fdrwa;Modify=20210701100000; Big Name", name, type,
                              perm, size, time));
    EXPECT_EQ(name, "Big Name");
    EXPECT_EQ(type, "file");
    EXPECT_EQ(perm, "fdrwa");
    EXPECT_EQ(size, 3221225472);
    EXPECT_EQ(TimeDateStr(time), "20210701100000.000");
    EXPECT_FALSE(DecodeMlsResp(" size=1; x", name, type, perm, size, time));
}
