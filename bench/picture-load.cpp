// Turns a picture file into a texture record, as the background and model textures are
// loaded, for timing against a plain JPEG decoder. Without options, one conversion:
//   NAME TEXTURE_WIDTH TEXTURE_HEIGHT       (or NAME error)
// With --time N, N conversions in this process: NAME MEDIAN_SECONDS MIN_SECONDS

#include "filemanager/myBMPTexture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv)
{
    int repeats = 0;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--time") == 0) {
        repeats = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    for (int i = first; i < argc; ++i) {
        if (repeats == 0) {
            const auto texture = LoadTextureRecord(argv[i], false);
            if (!texture) {
                std::printf("%s error\n", argv[i]);
                return 1;
            }
            std::printf("%s %d %d\n", argv[i], texture->width, texture->height);
            continue;
        }
        std::vector<double> seconds;
        for (int run = 0; run < repeats; ++run) {
            const auto start = std::chrono::steady_clock::now();
            const auto texture = LoadTextureRecord(argv[i], false);
            seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            if (!texture)
                return 1;
        }
        std::sort(seconds.begin(), seconds.end());
        std::printf("%s %.4f %.4f\n", argv[i], seconds[seconds.size() / 2], seconds.front());
    }
    return 0;
}
