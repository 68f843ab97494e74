// Opens GIF files as the program does (the picture registry, then the still composite) and
// reports what the first pixels are, for cross-checking against giflib and for timing.
// Without options, one line per file:
//   NAME WIDTH HEIGHT CRC32      (the still composite as R, G, B, A bytes, rows top to bottom)
//   NAME error                   (a file the registry refuses)
// With --time N, each file is opened N times and the line is
//   NAME WIDTH HEIGHT MEGAPIXELS MEDIAN_SECONDS MIN_SECONDS
// where MEGAPIXELS is the size of the composite.

#include "app/GifPicture.h"
#include "platform/ui/PictureRegistry.h"

#include <zlib.h>

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

QImage Open(const char* name)
{
    return platform::LoadPicture(name)->toImage();
}

void CrossCheck(const char* name)
{
    try {
        const QImage rgba = Open(name).convertToFormat(QImage::Format_RGBA8888);
        unsigned long crc = crc32(0L, nullptr, 0);
        for (int y = 0; y < rgba.height(); ++y)
            crc = crc32(crc, rgba.constScanLine(y), static_cast<uInt>(rgba.width() * 4));
        std::printf("%s %d %d %08lx\n", name, rgba.width(), rgba.height(), crc);
    } catch (const std::exception&) {
        std::printf("%s error\n", name);
    }
}

void Time(const char* name, int repeats)
{
    std::vector<double> seconds;
    QImage still;
    try {
        for (int i = 0; i < repeats; ++i) {
            const auto start = std::chrono::steady_clock::now();
            still = Open(name);
            seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    } catch (const std::exception&) {
        std::printf("%s error\n", name);
        return;
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%s %d %d %.3f %.6f %.6f\n", name, still.width(), still.height(),
                static_cast<double>(still.width()) * still.height() / 1e6, seconds[seconds.size() / 2],
                seconds.front());
}

} // namespace

int main(int argc, char** argv)
{
    registerGifFormat();
    int repeats = 0;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--time") == 0) {
        repeats = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    for (int i = first; i < argc; ++i) {
        if (repeats > 0)
            Time(argv[i], repeats);
        else
            CrossCheck(argv[i]);
    }
    return 0;
}
