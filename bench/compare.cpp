// Harness for bench/compare.sh: compares two files with CompareFiles and prints the verdict
// ("identical", "different" or "failed"); exits 0 only for identical files.
#include "PrintedMessages.h"
#include "filemanager/FileCompare.h"

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE1 FILE2\n", argv[0]);
        return 2;
    }
    platform::setMessageService(std::make_unique<PrintedMessages>());
    const CompareResult result = CompareFiles(argv[1], argv[2]);
    const bool identical = result == CompareResult::Identical;
    std::puts(identical ? "identical" : result == CompareResult::Different ? "different" : "failed");
    return identical ? 0 : 1;
}
