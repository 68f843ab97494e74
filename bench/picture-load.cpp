// Turns a picture file into a texture record, as the background and model textures are
// loaded, for timing against a plain JPEG decoder.
//   picture-load FILE            one conversion: "FILE TEXTURE_WIDTH TEXTURE_HEIGHT" (or "FILE error")
//   picture-load FILE REPEATS    REPEATS conversions in this process: "FILE MEDIAN_SECONDS MIN_SECONDS"

#include "filemanager/myBMPTexture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: picture-load FILE [REPEATS]\n");
        return 2;
    }
    const char* file = argv[1];
    const int repeats = argc == 3 ? std::max(1, std::atoi(argv[2])) : 1;
    std::vector<double> seconds;
    for (int run = 0; run < repeats; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const auto texture = LoadTextureRecord(file, false);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!texture) {
            std::printf("%s error\n", file);
            return 1;
        }
        if (argc == 2)
            std::printf("%s %d %d\n", file, texture->width, texture->height);
    }
    std::sort(seconds.begin(), seconds.end());
    if (argc == 3)
        std::printf("%s %.4f %.4f\n", file, seconds[seconds.size() / 2], seconds.front());
    return 0;
}
