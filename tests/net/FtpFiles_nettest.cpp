#include "net/FtpTestSupport.h"

#include "support/FileContents.h"

#include <sys/stat.h>

#include <algorithm>

using namespace ftptest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

class FtpFiles : public FtpServerTest {};

bool Exists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

} // namespace

TEST_F(FtpFiles, DirectoryAndFileCommandsAnswerAsClientsExpect)
{
    const std::string root = home.Root();
    home.File("a.txt", "alpha");
    home.File("b.txt", "beta");
    home.Dir("d");
    home.Sparse("huge.bin", 3LL << 30);
    const ClientRun run = Python(R"(
f = client()
print(cmd(f, "CWD"))
print(cmd(f, "xmkd made"))
print(cmd(f, "MKD made"))
print(cmd(f, "MKD a.txt"))
print(cmd(f, "MKD"))
print(cmd(f, "RMD a.txt"))
print(cmd(f, "RMD nothing"))
print(cmd(f, "XRMD made"))
print(cmd(f, "DELE d"))
print(cmd(f, "DELE nothing"))
print(cmd(f, "RNFR"))
print(cmd(f, "RNFR nothing"))
print(cmd(f, "RNFR a.txt"))
print(cmd(f, "RNTO b.txt"))
print(cmd(f, "RNFR d"))
print(cmd(f, "RNTO e"))
print(cmd(f, "SIZE e"))
print(cmd(f, "SIZE huge.bin"))
print(cmd(f, "SIZE b.txt"))
print(cmd(f, "DELE b.txt"))
)");
    EXPECT_EQ(run.out, "250 CWD command successful. \"" + root + "/\" is current directory.\n"
                       "257 '" + root + "/made': directory created.\n"
                       "550 '" + root + "/made': can't create directory.\n"
                       "550 '" + root + "/a.txt': file or directory already exists.\n"
                       "501 Syntax error in parameter.\n"
                       "550 '" + root + "/a.txt': can't remove directory.\n"
                       "550 '" + root + "/nothing': no such directory.\n"
                       "250 '" + root + "/made': directory removed.\n"
                       "550 '" + root + "/d': no such file or directory.\n"
                       "550 '" + root + "/nothing': no such file or directory.\n"
                       "501 Syntax error is parameter.\n"
                       "550 '" + root + "/nothing': no such file or directory.\n"
                       "350 File exists, ready for destination name.\n"
                       "553 '" + root + "/b.txt': file already exists.\n"
                       "350 File exists, ready for destination name.\n"
                       "250 File '" + root + "/d' renamed to '" + root + "/e'.\n"
                       "550 Command failed: File not found.\n"
                       "213 3221225472\n"
                       "213 4\n"
                       "250 File '" + root + "/b.txt' deleted.\n")
        << run.err;
    // The refused rename left both files as they were.
    EXPECT_EQ(testsupport::readFile(root + "/a.txt"), "alpha");
    EXPECT_FALSE(Exists(root + "/b.txt"));
}

TEST_F(FtpFiles, LftpAndCurlMakeRenameAndRemove)
{
    const std::string root = home.Root();
    const ClientRun lftp = Lftp("mkdir a; mv a b; rmdir b; mkdir c");
    EXPECT_EQ(lftp.exitCode, 0) << lftp.err;
    EXPECT_FALSE(Exists(root + "/a"));
    EXPECT_FALSE(Exists(root + "/b"));
    EXPECT_TRUE(Exists(root + "/c"));

    home.File("x", "content");
    // The commands come before the transfer, which then fetches the renamed file.
    const ClientRun curl = Curl("/y", {"-Q", "RNFR x", "-Q", "RNTO y"});
    EXPECT_EQ(curl.exitCode, 0) << curl.err;
    EXPECT_EQ(curl.out, "content");
    EXPECT_FALSE(Exists(root + "/x"));
    EXPECT_EQ(testsupport::readFile(root + "/y"), "content");
}

TEST_F(FtpFiles, Md5AnswersTheDigestInUpperCase)
{
    const std::string root = home.Root();
    home.File("data.bin", std::string(300000, 'z'));
    home.Fifo("pipe");
    server.OnCalculateMd5 = [](TFtpServer*, TFtpCtrlSocket*, TFtpString& FilePath, TFtpString& Md5Sum, bool&) {
        if (FilePath.ends_with("/cached"))
            Md5Sum = "0123456789abcdef0123456789abcdef";
    };
    const ClientRun md5sum = RunClient("md5sum", {QString::fromStdString(root + "/data.bin")});
    std::string expected = md5sum.out.substr(0, 32);
    std::transform(expected.begin(), expected.end(), expected.begin(), ::toupper);
    const ClientRun run = Python(R"(
f = client()
print(cmd(f, "MD5 data.bin"))
print(cmd(f, "MD5 cached"))
print(cmd(f, "MD5 missing"))
print(cmd(f, "MD5 pipe"))
)");
    EXPECT_EQ(run.out, "251 \"data.bin\" " + expected + "\n"
                       "251 \"cached\" 0123456789ABCDEF0123456789ABCDEF\n"
                       "550 'missing': no such file.\n"
                       "550 MD5 SUM failed : 'Cannot open file \"" + root + "/pipe\": is not a regular file'.\n")
        << run.err;
}
