// The viewer's hex pages of a file, two ways:
//   viewer-hex pages FILE                 writes every hex page THexConversion makes to stdout
//   viewer-hex first-page FILE [SECONDS]  opens a viewer on the file in hex mode and prints
//                                         the milliseconds until its first page is painted;
//                                         then keeps it on screen SECONDS long (to look at it)
#include "filemanager/Converter.h"
#include "filemanager/viewfil.h"
#include "platform/graphics/FileStream.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include <unistd.h>

namespace {

int WritePages(const std::string& fileName)
{
    platform::FileStream stream(fileName, platform::FileStream::Mode::Read);
    THexConversion hex(nullptr);
    // Written in large batches, as a tool writing through stdio would.
    std::string out;
    out.reserve(1 << 20);
    char block[2048];
    for (;;) {
        const std::size_t length = hex.ConvertReadStream(stream, block, sizeof block);
        if (length == 0 || out.size() + length > out.capacity()) {
            if (::write(STDOUT_FILENO, out.data(), out.size()) != static_cast<ssize_t>(out.size()))
                return 1;
            out.clear();
        }
        if (length == 0)
            return 0;
        out.append(block, length);
    }
}

int ShowFirstPage(int argc, char** argv, const std::string& fileName, int holdSeconds)
{
    QApplication application(argc, argv);
    const auto start = std::chrono::steady_clock::now();
    auto* viewer = new TViewForm(nullptr, nullptr);
    viewer->resize(800, 600);
    viewer->LoadFile(fileName, "", 1);
    viewer->Editor->viewport()->repaint();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.1f\n", ms);
    std::fflush(stdout);
    if (holdSeconds <= 0)
        return 0;
    QTimer::singleShot(holdSeconds * 1000, &application, &QApplication::quit);
    return application.exec();
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc >= 3 ? argv[1] : "";
    try {
        if (command == "pages")
            return WritePages(argv[2]);
        if (command == "first-page")
            return ShowFirstPage(argc, argv, argv[2], argc >= 4 ? std::atoi(argv[3]) : 0);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "usage: %s pages FILE | first-page FILE [SECONDS]\n", argv[0]);
    return 2;
}
