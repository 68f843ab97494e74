#include "net/FtpPath.h"
#include "net/FtpSrv.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The engine's path rule, reachable from the test.
class PathServer : public TFtpServer {
public:
    using TFtpServer::BuildFilePath;
};

// A home /h/ with a subdirectory, a sibling sharing its prefix, links leading out and one
// leading nowhere; the client stands in /h/sub/.
class FtpPaths : public ::testing::Test {
protected:
    FtpPaths()
    {
        home = tree.Dir("h");
        tree.Dir("h/sub/deeper");
        tree.Dir("hx");
        tree.File("outside.txt", "x");
        tree.Link("/etc", "h/etclink");
        tree.Link(tree.Path("outside.txt"), "h/filelink");
        tree.Link(tree.Path("nowhere"), "h/dangling");
        tree.Link("sub", "h/innerlink");
        client.HomeDir = home;
        client.SetDirectory(home + "/sub");
    }

    // The directory a change leads to, or the refusal's text; the directory stays on refusal.
    std::string ChangeTo(const std::string& to)
    {
        const std::string before = client.Directory();
        try {
            client.SetDirectory(to);
            return client.Directory();
        } catch (const EFtpCtrlSocketException& error) {
            EXPECT_EQ(client.Directory(), before) << to;
            return error.what();
        }
    }

    std::string PathOf(const std::string& name)
    {
        try {
            return server.BuildFilePath(&client, client.Directory(), name);
        } catch (const EFtpOutsideHome& error) {
            return error.Where == ftppath::Place::LeadsOut ? "leads out" : "outside";
        }
    }

    testfs::TempTree tree;
    std::string home;
    PathServer server;
    TFtpCtrlSocket client;
};

} // namespace

TEST_F(FtpPaths, DirectoryChangesStayInsideTheHome)
{
    std::string backslashed = home + "/sub/deeper";
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    const std::string dot = "Cannot accept relative path using dot notation";
    const std::string refused = "No permission";
    const struct {
        std::string to, expected;
    } cases[] = {
        {"..", home + "/"},
        {"..", refused},
        {"sub", home + "/sub/"},
        {"", home + "/sub/"},
        {".", home + "/sub/"},
        {"deeper\\", home + "/sub/deeper/"},
        {"..", home + "/sub/"},
        {"../x", dot},
        {"./deeper", dot},
        {home + "/sub/./deeper", dot},
        {"/x/y", refused},
        {home + "x", refused},
        {home + "/etclink", refused},
        {home + "/dangling", refused},
        {home + "/innerlink", home + "/innerlink/"},
        {"deeper/..", home + "/innerlink/"},
        {backslashed, home + "/sub/deeper/"},
        {"/", refused},
        {"\\\\server\\share", "Cannot accept UNC path"},
        {"//" + home.substr(1) + "/sub", "Cannot accept UNC path"},
    };
    for (const auto& step : cases)
        EXPECT_EQ(ChangeTo(step.to), step.expected) << "change to " << step.to;
    // Allowed, such a name is an ordinary path here: inside the home or refused as any other.
    client.Options |= ftpcUNC;
    EXPECT_EQ(ChangeTo("//" + home.substr(1) + "/sub"), home + "/sub/");
    EXPECT_EQ(ChangeTo("\\\\server\\share"), refused);
}

TEST_F(FtpPaths, FileParametersBecomePathsInsideTheHomeOrNothing)
{
    const struct {
        std::string name, expected;
    } cases[] = {
        {"b.txt", home + "/sub/b.txt"},
        {"", home + "/sub/"},
        {"deeper/", home + "/sub/deeper/"},
        {"../b.txt", home + "/b.txt"},
        {"..\\b.txt", home + "/b.txt"},
        {home + "/sub/../b.txt", home + "/b.txt"},
        {"../../outside.txt", "outside"},
        {"/etc/passwd", "outside"},
        {"..\\..\\..\\etc\\passwd", "outside"},
        {"../etclink/passwd", "leads out"},
        {"../filelink", "leads out"},
        {"../dangling", "leads out"},
        {home + "x/file", "outside"},
        {"../innerlink/new.txt", home + "/innerlink/new.txt"},
    };
    for (const auto& step : cases)
        EXPECT_EQ(PathOf(step.name), step.expected) << "name " << step.name;

    // What an owner's handler makes of a name is kept inside the home too.
    server.OnBuildFilePath = [](TFtpServer*, TFtpCtrlSocket*, const std::string&, const std::string&,
                                std::string& NewFileName) { NewFileName = "/etc/shadow"; };
    EXPECT_EQ(PathOf("b.txt"), "outside");
}

TEST_F(FtpPaths, WithoutAHomeNothingIsInside)
{
    EXPECT_FALSE(ftppath::InsideHome("", "/"));
    EXPECT_EQ(ftppath::PlaceInHome(tree.Root() + "/missing", tree.Root() + "/missing/x"), ftppath::Place::LeadsOut);
    EXPECT_EQ(ftppath::PlaceInHome(tree.Root() + "/outside.txt", tree.Root() + "/outside.txt"),
              ftppath::Place::LeadsOut);
    for (const std::string& spelling :
         {home, home + "/", home + "/.", home + "/sub/..", home + "//", std::string("/") + home})
        EXPECT_TRUE(ftppath::IsHome(home + "/", spelling)) << spelling;
    EXPECT_FALSE(ftppath::IsHome(home + "/", home + "/sub"));
    EXPECT_FALSE(ftppath::IsHome("", "/"));
    EXPECT_EQ(ftppath::Normalized("/a/./b//../c/.."), "/a/");
    EXPECT_EQ(ftppath::Normalized("/../../x"), "/x");
    EXPECT_EQ(ftppath::Printable("a\r\nb"), "a??b");
}
