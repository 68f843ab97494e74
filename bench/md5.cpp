// Hashes each file named on the command line with FileMD5 and prints its digest, the
// file name, the seconds taken and the throughput in MB/s (10^6 bytes).
#include "net/NetMd5.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
        return 2;
    }
    try {
        for (int i = 1; i < argc; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const std::string digest = FileMD5(argv[i]);
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            struct stat st {};
            ::stat(argv[i], &st);
            std::printf("%s %s %.3f s %.1f MB/s\n", digest.c_str(), argv[i], seconds,
                        static_cast<double>(st.st_size) / seconds / 1e6);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
