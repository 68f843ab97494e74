// The location cache file read and written as bytes, and the location service's reply read.
#include "webtools/LocationCache.h"

#include "platform/fs/OpenRegularFile.h"
#include "support/FileContents.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <optional>

namespace {

std::string Record(const std::string& ip, const std::string& host, const std::string& city,
                   const std::string& country, const std::string& lat, const std::string& lon,
                   const std::string& end = "\r\n")
{
    return ip + end + host + end + city + end + country + end + lat + end + lon + end + "/" + end;
}

std::vector<LocationRecord> Parse(const std::string& bytes, std::size_t piece = std::string::npos)
{
    LocationCacheParser parser;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        parser.Feed(std::string_view(bytes).substr(at, piece));
    return parser.Finish();
}

std::vector<std::string> Cities(const std::vector<LocationRecord>& records)
{
    std::vector<std::string> cities;
    for (const LocationRecord& record : records)
        cities.push_back(record.city);
    return cities;
}

using Cities_t = std::vector<std::string>;

// A reply's reading in one line: found or none, the coordinates, city and country.
std::string Reading(const std::string& reply)
{
    const LocationReply place = ScanLocationReply(reply);
    char coordinates[64];
    std::snprintf(coordinates, sizeof coordinates, "%.15g %.15g", place.lat, place.lon);
    return (place.found ? "found " : "none ") + std::string(coordinates) + " " + place.city + "," + place.country;
}

TEST(LocationCacheReader, ReadsRecordsWithEitherSeparatorAndDropsIncompleteOnes)
{
    const auto records = Parse(Record("10.0.0.1", "a.example", "Urbana", "US", "40,1164", "-88,24")
                               + Record("10.0.0.2", "b.example", "", "FR", "1", "2")
                               + Record("10.0.0.3", "c.example", "Paris", "FR", "48.85", "2.35")
                               + "10.0.0.4\r\nd.example\r\nLyon\r\nFR\r\n45.76\r\n");
    ASSERT_EQ(Cities(records), (Cities_t{"Urbana", "Paris"}));
    EXPECT_EQ((Cities_t{records[0].ip, records[0].host, records[0].country}),
              (Cities_t{"10.0.0.1", "a.example", "US"}));
    EXPECT_DOUBLE_EQ(records[0].lat, 40.1164);
    EXPECT_DOUBLE_EQ(records[0].lon, -88.24);

    // A last record complete but for its closing line counts; the bytes after the last line end do not.
    EXPECT_EQ(Cities(Parse("1.1.1.1\r\nh\r\nRome\r\nIT\r\n41.9\r\n12.5\r\n")), Cities_t{"Rome"});
    EXPECT_TRUE(Parse("1.1.1.1\r\nh\r\nRome\r\nIT\r\n41.9\r\n12.5").empty());
    // Not a number reads as 0; a number off the globe, too large or not finite drops its record.
    EXPECT_EQ(Parse(Record("1.1.1.1", "h", "Nowhere", "XX", "north", " +5x"))[0].lon, 5);
    for (const char* lat : {"91", "1e999", "nan", "inf"})
        EXPECT_TRUE(Parse(Record("1.1.1.1", "h", "Odd", "XX", lat, "0")).empty()) << lat;

    // A damaged record (a line too many, a line too few, a field beginning with "/") is
    // skipped to the next slash line.
    const std::string good = Record("10.0.0.1", "a", "Urbana", "US", "1", "2");
    const std::string damaged = "10.0.0.2\r\nb\r\nstray\r\nParis\r\nFR\r\n3\r\n4\r\n/\r\n"
                                "10.0.0.3\r\nc\r\nLyon\r\n5\r\n6\r\n/\r\n"
                                + Record("10.0.0.4", "d", "/Oslo", "NO", "7", "8");
    EXPECT_EQ(Cities(Parse(good + damaged + good)), (Cities_t{"Urbana", "Urbana"}));
}

TEST(LocationCacheReader, TakesAnyLineEndLongLinesAndBlocksOfAnySize)
{
    const std::string crlf = Record("10.0.0.1", "a", "Urbana", "US", "40.11", "-88.24")
                             + Record("10.0.0.2", "b", "Paris", "FR", "48.85", "2.35");
    for (const std::size_t piece : {std::size_t(1), std::size_t(7), crlf.size()})
        EXPECT_EQ(Cities(Parse(crlf, piece)), (Cities_t{"Urbana", "Paris"})) << piece;
    EXPECT_EQ(Cities(Parse(Record("10.0.0.1", "a", "Urbana", "US", "1", "2", "\n"))), Cities_t{"Urbana"});
    EXPECT_EQ(Cities(Parse(Record("10.0.0.1", "a", "Urbana", "US", "1", "2", std::string(1, '\0')))),
              Cities_t{"Urbana"});

    // 998 characters fit a line; 999 make a line of their own, and the record is lost alone.
    const std::string fits(998, 'x');
    const std::string over(999, 'y');
    const auto records = Parse(Record("10.0.0.1", fits, "Urbana", "US", "1", "2")
                               + Record("10.0.0.2", over, "Paris", "FR", "3", "4")
                               + Record("10.0.0.3", "c", "Lyon", "FR", "5", "6"));
    ASSERT_EQ(Cities(records), (Cities_t{"Urbana", "Lyon"}));
    EXPECT_EQ(records[0].host, fits);

    // A file read from disk in 65,536-byte blocks, a record lying across the boundary.
    testfs::TempTree tree;
    std::string file;
    while (file.size() < 65536 - 20)
        file += Record("10.0.0.1", std::string(900, 'h'), "Urbana", "US", "1", "2");
    file += Record("10.0.0.9", "across.example", "Oslo", "NO", "59.9", "10.7");
    testsupport::writeFile(tree.Path("cache"), file);
    const auto read = ReadLocationCache(tree.Path("cache"));
    ASSERT_FALSE(read.empty());
    EXPECT_EQ(read.back().host, "across.example");
    EXPECT_THROW(ReadLocationCache(tree.Path("missing")), platform::FileOpenError);
}

TEST(LocationCacheReader, FindsTheFirstEntryByAddressOrByExactName)
{
    const std::vector<LocationRecord> records{{"10.0.0.1", "a.example", "Urbana", "US", 1, 2},
                                              {"10.0.0.2", "b.example", "Paris", "FR", 3, 4},
                                              {"10.0.0.2", "c.example", "Lyon", "FR", 5, 6}};
    EXPECT_EQ(FindLocationEntry(records, "10.0.0.2", "x")->city, "Paris");
    EXPECT_EQ(FindLocationEntry(records, "10.9.9.9", "a.example")->city, "Urbana");
    EXPECT_EQ(FindLocationEntry(records, "10.9.9.9", "A.example"), nullptr);
    EXPECT_EQ(FindLocationEntry(records, "", "a.example"), nullptr);
    const std::vector<UnlocatedHost> unlocated{{"", "z.example"}};
    EXPECT_EQ(FindLocationEntry(unlocated, "10.0.0.7", "z.example"), &unlocated[0]);
    EXPECT_EQ(FindLocationEntry(unlocated, "10.0.0.7", ""), nullptr);
}

TEST(LocationCacheWriter, AppendsSevenCleanLinesInOneWrite)
{
    LocationRecord record{"10.0.0.1", "r1.pvx.test", "Ur\rba\nna", std::string("U\0S", 3), 40.1164, -88.24};
    EXPECT_EQ(FormatLocationRecord(record), Record("10.0.0.1", "r1.pvx.test", "Urbana", "US", "40.1164", "-88.24"));
    record.host = std::string(2000, 'h');
    record.lat = 1.0 / 3;
    const auto back = Parse(FormatLocationRecord(record));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].host, std::string(998, 'h'));
    EXPECT_NE(FormatLocationRecord(record).find("0.333333333333333\r\n-88.24\r\n/\r\n"), std::string::npos);

    // Several programs appending at once: every record arrives whole, after what was there.
    testfs::TempTree tree;
    const std::string file = tree.Path("pelvcloc.txt");
    testsupport::writeFile(file, "kept\r\n/\r\n");
    const LocationRecord mark{"10.0.0.9", std::string(900, 'm'), "Oslo", "NO", 59.9, 10.7};
    std::vector<pid_t> writers;
    for (int i = 0; i < 4; ++i) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (int n = 0; n < 200; ++n)
                AppendLocationRecord(file, mark);
            ::_exit(0);
        }
        writers.push_back(child);
    }
    for (const pid_t child : writers) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(status, 0);
    }
    const std::string written = testsupport::readFile(file);
    EXPECT_TRUE(written.starts_with("kept\r\n/\r\n"));
    EXPECT_EQ(ReadLocationCache(file).size(), 800u);
    EXPECT_EQ(written.size(), 9 + 800 * FormatLocationRecord(mark).size());
}

TEST(LocationCacheWriter, WritesOnlyWhatReadsBackAsTheSameRecord)
{
    const auto describe = [](const LocationRecord& r) {
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "%.17g %.17g", r.lat, r.lon);
        return r.ip + "|" + r.host + "|" + r.city + "|" + r.country + "|" + numbers;
    };
    // Every awkward city with every awkward country, in one file: a text that broke the
    // framing would lose its record or shift the ones after it.
    const std::vector<std::string> awkward{"/Paris", "//", "/", "", "\r\n", "\r/x", std::string("\0/y", 3),
                                           "a/b", " /", std::string(1200, '/') + "z", std::string(1200, 'c'), "\xff\t"};
    testfs::TempTree tree;
    const std::string file = tree.Path("pelvcloc.txt");
    std::vector<std::string> kept;
    for (const std::string& city : awkward)
        for (const std::string& country : awkward) {
            const LocationRecord record{"10.0.0.1", "h.example", city, country, 1.0 / 3, -88.24};
            const std::optional<LocationRecord> storable = StorableLocation(record);
            EXPECT_EQ(AppendLocationRecord(file, record), storable.has_value());
            if (storable)
                kept.push_back(describe(*storable));
        }
    std::vector<std::string> back;
    for (const LocationRecord& record : ReadLocationCache(file))
        back.push_back(describe(record));
    EXPECT_EQ(back, kept);
    EXPECT_EQ(kept.size(), 8u * 8u) << "every text but the four left empty is kept";
    EXPECT_EQ(StorableLocation({"10.0.0.1", "h", "/Paris", "FR", 48.85, 2.35})->city, "Paris");
    const std::string written = testsupport::readFile(file);
    EXPECT_FALSE(AppendLocationRecord(file, {"10.0.0.1", "h", "Paris", "FR", std::nan(""), 2.35}));
    EXPECT_EQ(testsupport::readFile(file), written);
}

TEST(LocationReply, ReadsCoordinatesAfterTheMarkerAndThePlaceFromTheNextLineAndEscapesTheRequest)
{
    EXPECT_EQ(Reading("<html>\r\n<a href=\"http://x\">map</a><pre>Lat, Lon: 40.11, -88.24\r\n"
                      "<b>Urbana</b>US</b>\r\n</html>\r\n"),
              "found 40.11 -88.24 Urbana,US");
    EXPECT_EQ(Reading("<pre>Lat, Lon: 1, 2\n<b>Urbana</b>US</b>\n<pre>Lat, Lon: 48.85, 2.35\n>Paris</b>FR</b>"),
              "found 48.85 2.35 Paris,FR");
    EXPECT_EQ(Reading("no place here\n"), "none 0 0 ,");
    // The coordinate line last, a place line without "<", and one too short for a country.
    EXPECT_EQ(Reading("<pre>Lat, Lon: 10, 20"), "found 10 20 ,");
    EXPECT_EQ(Reading("<pre>Lat, Lon: 10, 20\n>Paris FR long enough"), "found 10 20 ,");
    EXPECT_EQ(Reading("<pre>Lat, Lon: 10, 20\n>Rome<a"), "found 10 20 Rome,");
    EXPECT_EQ(Reading("<pre>Lat, Lon: 10, 20\n<"), "found 10 20 ,");

    // Coordinates that are no place give none, whatever the next line says.
    for (const char* numbers : {"nan, 1", "1, inf", "95, 1", "1, -181", "1e999, 1"})
        EXPECT_TRUE(Reading(std::string("<pre>Lat, Lon: ") + numbers + "\n<b>Urbana</b>US</b>").ends_with(" 0 0 ,"))
            << numbers;

    // The request body escapes everything but name characters.
    EXPECT_EQ(LocationRequestBody("r1.pvx-test.example"), "name=r1.pvx-test.example");
    EXPECT_EQ(LocationRequestBody("a&b=c+d%e f_\xC3\xA9"), "name=a%26b%3Dc%2Bd%25e%20f%5F%C3%A9");
}

} // namespace
