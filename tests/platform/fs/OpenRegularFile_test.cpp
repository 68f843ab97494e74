#include "platform/fs/OpenRegularFile.h"
#include "support/Deadline.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>

using namespace platform;
using namespace std::chrono_literals;

namespace {

struct Outcome {
    std::string content; // what the descriptor reads, when it opened
    std::string error; // the message, when it did not
    int errorNumber = -1;
    bool blocking = false;
    bool closeOnExec = false;
};

Outcome open(const std::string& name, FileAccess access = FileAccess::Read)
{
    return testsupport::finishWithin(5s, [name, access] {
        Outcome outcome;
        try {
            const FileDescriptor fd = OpenRegularFile(name, access);
            outcome.blocking = (::fcntl(fd.get(), F_GETFL) & O_NONBLOCK) == 0;
            outcome.closeOnExec = (::fcntl(fd.get(), F_GETFD) & FD_CLOEXEC) != 0;
            char buffer[64];
            for (ssize_t n; (n = ::read(fd.get(), buffer, sizeof buffer)) > 0;)
                outcome.content.append(buffer, static_cast<std::size_t>(n));
        } catch (const FileOpenError& e) {
            outcome.error = e.what();
            outcome.errorNumber = e.errorNumber();
        }
        return outcome;
    });
}

TEST(OpenRegularFile, OpensRegularFilesAndRefusesEverythingElseAtOnce)
{
    testfs::TempTree tree;
    const std::string file = tree.File("file", "bytes");
    const std::string fifo = tree.Fifo("fifo");
    const std::string dir = tree.Dir("dir");
    const std::string missing = tree.Path("missing");

    for (const std::string& name : {file, tree.Link(file, "to-file")}) {
        const Outcome opened = open(name);
        EXPECT_EQ(opened.error, "") << name;
        EXPECT_EQ(opened.content, "bytes") << name;
        EXPECT_TRUE(opened.blocking) << name;
        EXPECT_TRUE(opened.closeOnExec) << name;
    }
    EXPECT_EQ(open(tree.File("empty")).error, "");

    struct Refusal {
        std::string name;
        std::string reason;
        int errorNumber;
    };
    const Refusal refusals[] = {
        {missing, "No such file or directory", ENOENT},
        {dir, "is a directory", EISDIR},
        {fifo, "is not a regular file", 0},
        {tree.Link(fifo, "to-fifo"), "is not a regular file", 0},
        {"/dev/zero", "is not a regular file", 0},
    };
    for (const Refusal& refusal : refusals) {
        const Outcome refused = open(refusal.name);
        EXPECT_EQ(refused.error, "Cannot open file \"" + refusal.name + "\": " + refusal.reason);
        EXPECT_EQ(refused.errorNumber, refusal.errorNumber) << refusal.name;
    }
}

TEST(OpenRegularFile, CreatesOrEmptiesOnlyRegularFiles)
{
    testfs::TempTree tree;
    const std::string old = tree.File("old", "previous content");
    EXPECT_EQ(open(old, FileAccess::Create).content, "");
    EXPECT_EQ(open(tree.Path("new"), FileAccess::Create).error, "");
    EXPECT_EQ(open(tree.Path("new")).error, "");

    const std::string fifo = tree.Fifo("fifo");
    EXPECT_EQ(open(fifo, FileAccess::Create).error, "Cannot create file \"" + fifo + "\": is not a regular file");
    const std::string noDir = tree.Path("no-dir/new");
    ::rmdir(tree.Path("no-dir").c_str());
    EXPECT_EQ(open(noDir, FileAccess::Create).error, "Cannot create file \"" + noDir + "\": No such file or directory");
}

} // namespace
