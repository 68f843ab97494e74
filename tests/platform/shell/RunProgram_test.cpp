#include "platform/base/Exception.h"
#include "platform/shell/RunProgram.h"
#include "support/FileContents.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::ProgramWait;
using platform::RunProgram;

std::string Thrown(const std::function<void()>& call)
{
    try {
        call();
    } catch (const platform::Exception& error) {
        return error.what();
    }
    return {};
}

// Children of this process that have ended but were never waited for.
int ZombieChildren()
{
    int zombies = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        std::istringstream fields(line.substr(line.rfind(')') + 1)); // the fields after the command name
        char state = 0;
        int parent = 0;
        zombies += fields >> state >> parent && state == 'Z' && parent == getpid();
    }
    return zombies;
}

bool WaitFor(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        usleep(10000);
    }
    return condition();
}

TEST(RunProgram, GivesTheExitStatusOrTheSignalThatEndedItOrAFailureNamingProgramAndDirectory)
{
    EXPECT_EQ(RunProgram("sh", {"-c", "exit 3"}, ProgramWait::UntilExit), 3);
    EXPECT_EQ(RunProgram("sh", {"-c", "kill -9 $$"}, ProgramWait::UntilExit), 128 + 9);
    // The program ignores SIGPIPE for its sockets; a started pipeline must not inherit that.
    std::signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(RunProgram("sh", {"-c", "kill -PIPE $$"}, ProgramWait::UntilExit), 128 + SIGPIPE);
    std::signal(SIGPIPE, SIG_DFL);

    const std::string missing = Thrown([] { RunProgram("no-such-program-pelvaxon", {}, ProgramWait::Detach); });
    EXPECT_NE(missing.find("cannot start no-such-program-pelvaxon"), std::string::npos) << missing;
    const std::string noDir = Thrown([] { RunProgram("true", {}, ProgramWait::UntilExit, "/no/such/dir"); });
    EXPECT_NE(noDir.find("cannot start true in /no/such/dir"), std::string::npos) << noDir;
}

TEST(RunProgram, HandsArgumentsOverAsBytesInTheGivenDirectoryAndReapsADetachedProgram)
{
    testfs::TempTree tree;
    const std::string name = "\xff\xfe name; $(rm -rf x) *";
    ASSERT_EQ(RunProgram("touch", {"--", name}, ProgramWait::UntilExit, tree.Root()), 0);
    struct stat status {};
    EXPECT_EQ(lstat(tree.Path(name).c_str(), &status), 0);

    const std::string marker = tree.Path("ran");
    EXPECT_EQ(RunProgram("touch", {marker}, ProgramWait::Detach), 0);
    ASSERT_TRUE(WaitFor([&] { return lstat(marker.c_str(), &status) == 0; }));
    EXPECT_TRUE(WaitFor([] { return ZombieChildren() == 0; }));
}

TEST(RunProgram, ReadsNothingFromItsInputAndHandsBackWhatItWrote)
{
    // A question a program asks on its own input meets the end of it at once.
    EXPECT_EQ(RunProgram("sh", {"-c", "read answer; test -z \"$answer\""}, ProgramWait::UntilExit), 0);
    testfs::TempTree tree;
    std::string output = "stale";
    EXPECT_EQ(platform::RunProgramForOutput("sh", {"-c", "pwd; echo \"$1\" >&2; exit 2", "sh", "\xff err"}, tree.Root(),
                                            output),
              2);
    EXPECT_EQ(output, tree.Root() + "\n\xff err\n");
    EXPECT_EQ(platform::RunProgramForOutput("true", {}, {}, output), 0);
    EXPECT_EQ(output, "");
    EXPECT_THROW(platform::RunProgramForOutput("no-such-program-pelvaxon", {}, {}, output), platform::Exception);
}

struct Ending {
    bool seen = false;
    int status = -1;
    std::string output;
};

std::shared_ptr<Ending> Watch(const std::string& script, const std::vector<std::string>& arguments = {})
{
    auto ending = std::make_shared<Ending>();
    std::vector<std::string> all{"-c", script, "sh"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    platform::RunProgramWatched("sh", all, [ending](int status, const std::string& output) {
        *ending = {true, status, output};
    });
    return ending;
}

// The descriptors this process has open.
int OpenDescriptors()
{
    return int(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

TEST(RunProgram, AWatchedProgramIsReportedWhenItEndsWithTheStartOfWhatItAndItsHelpersWrote)
{
    // The end is the program's own, though a helper it left running still holds its output.
    const auto started = std::chrono::steady_clock::now();
    const auto quick = Watch("(sleep 2; echo late) & echo started >&2; exit 3");
    ASSERT_TRUE(WaitFor([&] { return quick->seen; }));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
    EXPECT_EQ(quick->status, 3);
    EXPECT_EQ(quick->output, "started\n");
    // A chatty program writes all it has to say; only the start of it comes back.
    const auto chatty = Watch("head -c 100000 /dev/zero | tr '\\0' x");
    ASSERT_TRUE(WaitFor([&] { return chatty->seen; }));
    EXPECT_EQ(chatty->status, 0) << "every write went through";
    EXPECT_EQ(chatty->output, std::string(16 * 1024, 'x'));
    EXPECT_TRUE(WaitFor([] { return ZombieChildren() == 0; }));
    EXPECT_THROW(platform::RunProgramWatched("no-such-program-pelvaxon", {}, [](int, const std::string&) {}),
                 platform::Exception);
}

TEST(RunProgram, AWatchedProgramAndWhatItLeftRunningWriteOnOnceWeHaveLetGoOfThem)
{
    testfs::TempTree tree;
    const int descriptors = OpenDescriptors();
    // A browser the opener started logs a megabyte once the opener has gone and we were told.
    const std::string writeLater = "(sleep 1; head -c 1048576 /dev/zero; echo $? > \"$1\") & echo opened";
    const auto opener = Watch(writeLater, {tree.Path("after-the-end")});
    ASSERT_TRUE(WaitFor([&] { return opener->seen; }));
    EXPECT_EQ(opener->status, 0);
    EXPECT_EQ(opener->output, "opened\n");
    EXPECT_TRUE(WaitFor([&] { return OpenDescriptors() == descriptors; })) << "nothing of its output is kept here";

    // We quit while the program still runs: the watch goes with the application.
    const QObjectList before = QCoreApplication::instance()->children();
    const auto running = Watch("sleep 1; head -c 1048576 /dev/zero; echo $? > \"$1\"", {tree.Path("after-quitting")});
    for (QObject* watch : QCoreApplication::instance()->children()) {
        if (!before.contains(watch))
            delete watch;
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
    for (const char* written : {"after-the-end", "after-quitting"}) {
        const std::string status = tree.Path(written);
        ASSERT_TRUE(WaitFor([&] { return !testsupport::readFile(status).empty(); })) << written;
        EXPECT_EQ(testsupport::readFile(status), "0\n") << written << ": no failed write, no SIGPIPE";
    }
    EXPECT_FALSE(running->seen);
}

TEST(RunProgram, FindsAProgramOnThePathOnlyWhenItCanRun)
{
    testfs::TempTree tree;
    tree.File("bin/tool", "#!/bin/sh\n");
    tree.Chmod("bin/tool", 0755);
    tree.File("bin/plain", "");
    tree.Dir("bin/dir");
    const std::string saved = std::getenv("PATH");
    setenv("PATH", ("/nowhere:" + tree.Path("bin")).c_str(), 1);
    EXPECT_EQ(platform::FindProgram("tool"), tree.Path("bin/tool"));
    EXPECT_EQ(platform::FindProgram("plain"), "");
    EXPECT_EQ(platform::FindProgram("dir"), "");
    EXPECT_EQ(platform::FindProgram("sh"), "");
    EXPECT_EQ(platform::FindProgram(tree.Path("bin/tool")), tree.Path("bin/tool"));
    setenv("PATH", saved.c_str(), 1);
    EXPECT_NE(platform::FindProgram("sh"), "");
}

} // namespace
