#include "platform/base/Exception.h"
#include "platform/shell/Launcher.h"
#include "support/FileContents.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>

namespace {

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        usleep(10000);
    }
    return condition();
}

// Puts an xdg-open first on the PATH while it lives: by default one that records what it was
// given and succeeds.
class FakeOpener {
public:
    explicit FakeOpener(const std::string& script = "printf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.args\"")
    {
        tree_.File("bin/xdg-open", "#!/bin/sh\n" + script + "\n");
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
        std::string argument;
        WaitFor([&] { return !(argument = testsupport::readFile(tree_.Path("bin/xdg-open.args"))).empty(); });
        return argument;
    }

private:
    testfs::TempTree tree_;
    std::string saved_;
};

TEST(Launcher, OpensPagesAndDocumentsThroughTheDesktopOpenerByTheirBytes)
{
    testsupport::ScriptedMessages boxes;
    {
        FakeOpener opener;
        const std::string document = "/tmp/\xe9t\xe9 report.pdf";
        platform::launcher().openDocument(document);
        EXPECT_EQ(opener.Argument(), document);
    }
    FakeOpener opener;
    platform::launcher().openUrl("mailto:someone@example.org");
    EXPECT_EQ(opener.Argument(), "mailto:someone@example.org");
    WaitFor([] { return false; }, std::chrono::milliseconds(500)); // long enough for a failure to show
    EXPECT_TRUE(boxes.texts().empty());
}

TEST(Launcher, AnOpenerThatFailsSaysSoNamingWhatItCouldNotOpenAndWhy)
{
    testsupport::ScriptedMessages boxes;
    {
        FakeOpener opener("echo \"xdg-open: 882: firefox: not found\" >&2\n"
                          "echo \"xdg-open: no method available for opening '$1'\" >&2; exit 3");
        platform::launcher().openUrl("https://example.org/search");
        ASSERT_TRUE(WaitFor([&] { return !boxes.texts().empty(); }));
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"cannot open https://example.org/search: xdg-open: no "
                                                          "method available for opening 'https://example.org/search'"});
    }
    boxes.clear();
    {
        FakeOpener silent("exit 4");
        platform::launcher().openDocument("/tmp/notes.xyz");
        ASSERT_TRUE(WaitFor([&] { return !boxes.texts().empty(); }));
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"cannot open /tmp/notes.xyz: xdg-open ended with status 4"});
    }
    // No opener at all: the call itself fails, naming the address.
    testfs::TempTree empty;
    const std::string saved = std::getenv("PATH");
    setenv("PATH", empty.Root().c_str(), 1);
    try {
        platform::launcher().openUrl("mailto:someone@example.org");
        ADD_FAILURE() << "no opener, yet no failure";
    } catch (const platform::Exception& error) {
        EXPECT_EQ(std::string(error.what()).rfind("cannot open mailto:someone@example.org: cannot start xdg-open", 0),
                  0u)
            << error.what();
    }
    setenv("PATH", saved.c_str(), 1);
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
    platform::launcher().startProgram(
        "sh", {"-c", "printf '%s %s' \"$PWD\" \"$1\" > out.tmp && mv out.tmp out", "sh", name}, tree.Root());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (testsupport::readFile(tree.Path("out")).empty() && std::chrono::steady_clock::now() < end)
        usleep(10000);
    EXPECT_EQ(testsupport::readFile(tree.Path("out")), tree.Root() + " " + name);
    EXPECT_THROW(platform::launcher().startProgram("no-such-program-pelvaxon", {}, tree.Root()), platform::Exception);
}

} // namespace
