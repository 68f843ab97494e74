// Harness for bench/find.sh: makes the benchmark tree and times the find-file dialog's
// search on it (the dialog made offscreen, exactly as the program runs it).
//   find make-tree DIR COUNT MIB      COUNT files of about MIB MiB in all, 500 directories
//   find names DIR PATTERN [--time N]  the name walk; prints the best ms of N runs and the count
//   find text DIR TEXT [--time N]      the same for files holding TEXT in any case

#include "PrintedMessages.h"
#include "filemanager/findfiledlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The needle hidden in some files, in assorted letter cases.
constexpr const char* kNeedle = "quokka-twelve";

bool MakeDir(const std::string& path)
{
    if (mkdir(path.c_str(), 0755) == 0)
        return true;
    std::perror(path.c_str());
    return false;
}

bool WriteFile(const std::string& path, const char* bytes, std::size_t size)
{
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && write(fd, bytes, size) == ssize_t(size);
    if (fd >= 0)
        close(fd);
    if (!written)
        std::perror(path.c_str());
    return written;
}

// Lines of lower-case words, so grep sees text; each file is a slice of it, one in fifty
// with the needle written over a random place.
int MakeTree(const std::string& dir, long count, long mib)
{
    std::mt19937 random(1109);
    std::string text;
    while (text.size() < (std::size_t(4) << 20))
        text += (random() % 9 == 0) ? '\n' : (random() % 6 == 0) ? ' ' : char('a' + random() % 26);
    const long average = std::max(1L, mib * 1048576 / count);
    std::string file;
    if (!MakeDir(dir))
        return 1;
    for (long top = 0; top < 50; ++top) {
        if (!MakeDir(dir + "/t" + std::to_string(top)))
            return 1;
        for (long leaf = 0; leaf < 10; ++leaf)
            if (!MakeDir(dir + "/t" + std::to_string(top) + "/l" + std::to_string(leaf)))
                return 1;
    }
    for (long i = 0; i < count; ++i) {
        const std::size_t size = random() % (2 * average);
        file.assign(text, random() % (text.size() - size), size);
        if (i % 50 == 7 && size > 64) {
            std::string needle = kNeedle;
            for (char& c : needle)
                if (random() % 2)
                    c = char(std::toupper(static_cast<unsigned char>(c)));
            file.replace(random() % (size - needle.size()), needle.size(), needle);
        }
        const std::string path = dir + "/t" + std::to_string(i % 50) + "/l" + std::to_string(i / 50 % 10) + "/f"
                                 + std::to_string(i) + (i % 4 ? ".txt" : ".dat");
        if (!WriteFile(path, file.data(), file.size()))
            return 1;
    }
    return 0;
}

int Search(int argc, char** argv, bool byText)
{
    int runs = 1;
    if (argc == 6 && std::string(argv[4]) == "--time")
        runs = std::max(1, std::atoi(argv[5]));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::setMessageService(std::make_unique<PrintedMessages>());
    TFindFilDlg dialog;
    dialog.SetStartDir(argv[2]);
    dialog.FilnamEdit->setText(byText ? "*" : QString::fromUtf8(argv[3]));
    dialog.TextInFileEdit->setText(byText ? QString::fromUtf8(argv[3]) : QString());
    double best = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        dialog.FindButtonClick();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = run == 0 ? took.count() : std::min(best, took.count());
    }
    std::printf("%.1f %d\n", best, dialog.FileCount() + dialog.DirCount());
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "make-tree" && argc == 5)
        return MakeTree(argv[2], std::atol(argv[3]), std::atol(argv[4]));
    if ((mode == "names" || mode == "text") && (argc == 4 || argc == 6))
        return Search(argc, argv, mode == "text");
    std::fprintf(stderr, "usage: find make-tree DIR COUNT MIB | names DIR PATTERN | text DIR TEXT [--time N]\n");
    return 2;
}
