// Harness for bench/fileops.sh: makes the benchmark tree and runs one engine operation on it,
// with every question answered Yes and no progress shown.
//   fileops make DIR SMALL_FILES BIG_MIB | copy SOURCE TARGET_DIR | move SOURCE TARGET_DIR | delete PATH
#include "PrintedMessages.h"
#include "platform/shell/FileOperation.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Unseen final : public platform::OperationProgress {
public:
    void addWork(std::uint64_t) override {}
    bool beginItem(const std::string&) override { return true; }
    bool advance(std::uint64_t) override { return true; }
};

void WriteFile(const std::string& path, const std::vector<char>& data, std::size_t size)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, data.data(), size) != static_cast<ssize_t>(size) || close(fd) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

// One big file of BIG_MIB MiB and SMALL_FILES files of 1 to 8 KiB in 100 directories.
void MakeTree(const std::string& dir, int smallFiles, int bigMiB)
{
    std::mt19937 random(20);
    std::vector<char> block(std::size_t{1} << 20);
    for (char& c : block)
        c = static_cast<char>(random());
    mkdir(dir.c_str(), 0755);
    const int big = open((dir + "/big").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    for (int i = 0; i < bigMiB; ++i) {
        block[0] = static_cast<char>(i);
        if (write(big, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
            std::perror("big");
            std::exit(1);
        }
    }
    close(big);
    for (int i = 0; i < smallFiles; ++i) {
        const std::string sub = dir + "/small" + std::to_string(i % 100);
        mkdir(sub.c_str(), 0755);
        WriteFile(sub + "/file" + std::to_string(i), block, 1024 + random() % 7168);
    }
}
} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "make") {
        MakeTree(args[1], std::atoi(args[2].c_str()), std::atoi(args[3].c_str()));
        return 0;
    }
    platform::setMessageService(std::make_unique<PrintedMessages>(platform::MsgResult::Yes));
    Unseen progress;
    if (args.size() == 3 && args[0] == "copy")
        return platform::Copy({args[1]}, args[2], progress);
    if (args.size() == 3 && args[0] == "move")
        return platform::Move({args[1]}, args[2], progress);
    if (args.size() == 2 && args[0] == "delete")
        return platform::Delete({args[1]}, false, progress);
    std::fprintf(stderr, "usage: fileops make DIR SMALL_FILES BIG_MIB | copy SOURCE TARGET_DIR | "
                         "move SOURCE TARGET_DIR | delete PATH\n");
    return 2;
}
