#include "net/NetMd5.h"
#include "support/RandomBytes.h"
#include "platform/base/Exception.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

std::string WriteFile(const QTemporaryDir& dir, const std::string& name, const std::string& content)
{
    const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

// coreutils' digest of a file, upper-cased to compare with ours.
std::string Md5sum(const std::string& path)
{
    QProcess md5sum;
    md5sum.start("md5sum", {QString::fromStdString(path)});
    if (!md5sum.waitForFinished(60000) || md5sum.exitCode() != 0)
        return "md5sum failed";
    return md5sum.readAllStandardOutput().left(32).toUpper().toStdString();
}

} // namespace

TEST(NetMd5, Rfc1321TestSuiteInUpperCase)
{
    const std::pair<const char*, const char*> suite[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& [text, digest] : suite)
        EXPECT_EQ(StrMD5(text), digest) << '"' << text << '"';
}

// 55 bytes leave room for the padding in the last block, 56 to 63 push the bit count
// into an extra block, 64 fill a block exactly.
TEST(NetMd5, PaddingBoundariesAgreeWithMd5sum)
{
    QTemporaryDir dir;
    for (const std::size_t len : {1, 55, 56, 57, 63, 64, 65, 119, 120, 128}) {
        const std::string data = randomBytes(len, static_cast<unsigned>(len));
        const std::string path = WriteFile(dir, std::to_string(len) + ".pad", data);
        EXPECT_EQ(StrMD5(data), Md5sum(path)) << len << " bytes";
        EXPECT_EQ(GetMD5(data.data(), data.size()), StrMD5(data));
    }
}

TEST(NetMd5, PiecewiseUpdatesGiveTheDigestOfTheWhole)
{
    const std::string data = randomBytes(5000, 7);
    std::mt19937 gen(11);
    for (int trial = 0; trial < 50; ++trial) {
        TMD5Context context;
        MD5Init(context);
        for (std::size_t at = 0; at < data.size();) {
            const std::size_t piece = std::min<std::size_t>(gen() % 150, data.size() - at);
            MD5Update(context, data.data() + at, piece);
            at += piece;
        }
        TMD5Digest digest;
        MD5Final(digest, context);
        TMD5Digest whole;
        MD5Init(context);
        MD5UpdateBuffer(context, data.data(), data.size());
        MD5Final(whole, context);
        ASSERT_EQ(digest, whole) << "trial " << trial;
    }
}

TEST(NetMd5, BitCountCarriesIntoTheHighWordAndFinalWipesTheContext)
{
    TMD5Context context;
    MD5Init(context);
    context.Count[0] = 0xFFFFFFF8u; // one byte short of 2^32 bits
    MD5Update(context, "xy", 2);
    EXPECT_EQ(context.Count[0], 8u);
    EXPECT_EQ(context.Count[1], 1u);

    TMD5Digest digest;
    MD5Final(digest, context);
    const auto* raw = reinterpret_cast<const unsigned char*>(&context);
    EXPECT_EQ(std::count(raw, raw + sizeof context, 0), static_cast<long>(sizeof context));
}

TEST(NetMd5, FileDigestsAtBlockBoundariesAgreeWithMd5sum)
{
    QTemporaryDir dir;
    for (const std::size_t len : {0, 1, 102399, 102400, 102401, 3 * 102400 + 777}) {
        const std::string path = WriteFile(dir, std::to_string(len) + ".bin", randomBytes(len, 3));
        EXPECT_EQ(FileMD5(path), Md5sum(path)) << len << " bytes";
    }
    EXPECT_EQ(FileMD5(WriteFile(dir, "empty", "")), "D41D8CD98F00B204E9800998ECF8427E");
}

TEST(NetMd5, FileErrorsNameTheFileAndNeverBlock)
{
    QTemporaryDir dir;
    const std::string missing = dir.filePath("missing").toStdString();
    const std::string fifo = dir.filePath("fifo").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {missing, "Cannot open file \"" + missing + "\": No such file or directory"},
        {dir.path().toStdString(), "Cannot open file \"" + dir.path().toStdString() + "\": is a directory"},
        {fifo, "Cannot open file \"" + fifo + "\": is not a regular file"},
        {"/dev/zero", "Cannot open file \"/dev/zero\": is not a regular file"},
    };
    for (const auto& [path, message] : cases) {
        try {
            FileMD5(path);
            ADD_FAILURE() << path << " gave a digest";
        } catch (const platform::Exception& error) {
            EXPECT_EQ(error.what(), message);
        }
    }
}
