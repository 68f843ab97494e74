#include "platform/base/Exception.h"
#include "platform/shell/Launcher.h"
#include "support/FileContents.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace {

// Puts a recording xdg-open first on the PATH while it lives.
class FakeOpener {
public:
    FakeOpener()
    {
        tree_.File("bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.args\"\n");
        tree_.Chmod("bin/xdg-open", 0755);
        saved_ = std::getenv("PATH");
        setenv("PATH", (tree_.Path("bin") + ":" + saved_).c_str(), 1);
    }
    ~FakeOpener() { setenv("PATH", saved_.c_str(), 1); }
    FakeOpener(const FakeOpener&) = delete;
    FakeOpener& operator=(const FakeOpener&) = delete;

    // What the opener was given, once it has run.
    std::string Argument() const
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::string argument;
        while ((argument = testsupport::readFile(tree_.Path("bin/xdg-open.args"))).empty()
               && std::chrono::steady_clock::now() < end)
            usleep(10000);
        return argument;
    }

private:
    testfs::TempTree tree_;
    std::string saved_;
};

TEST(Launcher, OpensADocumentThroughTheDesktopOpenerByItsBytes)
{
    FakeOpener opener;
    const std::string document = "/tmp/\xe9t\xe9 report.pdf";
    platform::launcher().openDocument(document);
    EXPECT_EQ(opener.Argument(), document);
}

TEST(Launcher, RefusesARelativeDocument)
{
    FakeOpener opener;
    EXPECT_THROW(platform::launcher().openDocument("-rf"), platform::Exception);
    EXPECT_THROW(platform::launcher().openDocument(""), platform::Exception);
}

TEST(Launcher, StartsAProgramLeftRunningInItsDirectoryWithItsArgumentsAsBytes)
{
    testfs::TempTree tree;
    const std::string name = "\xff -x";
    platform::launcher().startProgram("sh", {"-c", "printf '%s %s' \"$PWD\" \"$1\" > out.tmp && mv out.tmp out", "sh", name},
                                      tree.Root());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (testsupport::readFile(tree.Path("out")).empty() && std::chrono::steady_clock::now() < end)
        usleep(10000);
    EXPECT_EQ(testsupport::readFile(tree.Path("out")), tree.Root() + " " + name);
    EXPECT_THROW(platform::launcher().startProgram("no-such-program-pelvaxon", {}, tree.Root()), platform::Exception);
}

} // namespace
