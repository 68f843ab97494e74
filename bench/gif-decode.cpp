// Decodes GIF files with our codec, for cross-checking against other decoders and for
// timing. Without options, one line per file:
//   NAME FRAMES WIDTH HEIGHT CRC32      (first frame's colour indices, rows top to bottom)
//   NAME error                          (a file the codec refuses)
// With --time N, each file is decoded N times from memory and the line is
//   NAME FRAMES MEGAPIXELS MEDIAN_SECONDS MIN_SECONDS
// where MEGAPIXELS counts the decoded pixels of all frames of one decode.
// With --still first, each file is opened as the program opens pictures (the registry, then
// the still picture), from the file; the lines are
//   NAME WIDTH HEIGHT CRC32             (the still picture as R, G, B, A bytes)
//   NAME WIDTH HEIGHT MEGAPIXELS MEDIAN_SECONDS MIN_SECONDS

#include "app/GifPicture.h"
#include "gif/GIFImage.h"
#include "platform/graphics/Stream.h"
#include "platform/ui/PictureRegistry.h"

#include <zlib.h>

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadFile(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Decoded {
    int frames = 0;
    const TGIFSubImage* first = nullptr;
    double pixels = 0;
};

Decoded Decode(TGIFImage& image, const std::vector<std::uint8_t>& bytes)
{
    auto stream = platform::MemoryStream::borrowing(bytes);
    image.LoadFromStream(stream);
    Decoded result;
    for (const auto& frame : image.Images) {
        if (frame->GetEmpty())
            continue;
        if (!result.first)
            result.first = frame.get();
        ++result.frames;
        result.pixels += static_cast<double>(frame->GetData().size());
    }
    return result;
}

void CrossCheck(const char* name)
{
    TGIFImage image;
    try {
        const Decoded decoded = Decode(image, ReadFile(name));
        if (!decoded.first) {
            std::printf("%s %d 0 0 00000000\n", name, decoded.frames);
            return;
        }
        const auto& data = decoded.first->GetData();
        const unsigned long crc = crc32(0L, data.data(), static_cast<uInt>(data.size()));
        std::printf("%s %d %d %d %08lx\n", name, decoded.frames, decoded.first->GetWidth(),
                    decoded.first->GetHeight(), crc);
    } catch (const GIFException&) {
        std::printf("%s error\n", name);
    }
}

// The sorted times of `repeats` runs of `work`, or none when it failed.
template <class Work>
std::vector<double> Timed(int repeats, Work work)
{
    std::vector<double> seconds;
    try {
        for (int i = 0; i < repeats; ++i) {
            const auto start = std::chrono::steady_clock::now();
            work();
            seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    } catch (const std::exception&) {
        return {};
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds;
}

void Time(const char* name, int repeats)
{
    const std::vector<std::uint8_t> bytes = ReadFile(name);
    Decoded decoded;
    const std::vector<double> seconds = Timed(repeats, [&] {
        TGIFImage image;
        decoded = Decode(image, bytes);
    });
    if (seconds.empty())
        std::printf("%s error\n", name);
    else
        std::printf("%s %d %.3f %.6f %.6f\n", name, decoded.frames, decoded.pixels / 1e6,
                    seconds[seconds.size() / 2], seconds.front());
}

QImage OpenStill(const char* name)
{
    return platform::LoadPicture(name)->toImage();
}

void CrossCheckStill(const char* name)
{
    try {
        const QImage rgba = OpenStill(name).convertToFormat(QImage::Format_RGBA8888);
        unsigned long crc = crc32(0L, nullptr, 0);
        for (int y = 0; y < rgba.height(); ++y)
            crc = crc32(crc, rgba.constScanLine(y), static_cast<uInt>(rgba.width() * 4));
        std::printf("%s %d %d %08lx\n", name, rgba.width(), rgba.height(), crc);
    } catch (const std::exception&) {
        std::printf("%s error\n", name);
    }
}

void TimeStill(const char* name, int repeats)
{
    QImage still;
    const std::vector<double> seconds = Timed(repeats, [&] { still = OpenStill(name); });
    if (seconds.empty())
        std::printf("%s error\n", name);
    else
        std::printf("%s %d %d %.3f %.6f %.6f\n", name, still.width(), still.height(),
                    static_cast<double>(still.width()) * still.height() / 1e6, seconds[seconds.size() / 2],
                    seconds.front());
}

} // namespace

int main(int argc, char** argv)
{
    int first = 1;
    const bool still = argc > 1 && std::strcmp(argv[1], "--still") == 0;
    if (still) {
        registerGifFormat();
        first = 2;
    }
    int repeats = 0;
    if (argc > first + 1 && std::strcmp(argv[first], "--time") == 0) {
        repeats = std::max(1, std::atoi(argv[first + 1]));
        first += 2;
    }
    for (int i = first; i < argc; ++i) {
        if (repeats > 0)
            still ? TimeStill(argv[i], repeats) : Time(argv[i], repeats);
        else
            still ? CrossCheckStill(argv[i]) : CrossCheck(argv[i]);
    }
    return 0;
}
