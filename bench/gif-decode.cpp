// Decodes GIF files with our codec, for cross-checking against other decoders and for
// timing. Without options, one line per file:
//   NAME FRAMES WIDTH HEIGHT CRC32      (first frame's colour indices, rows top to bottom)
//   NAME error                          (a file the codec refuses)
// With --time N, each file is decoded N times from memory and the line is
//   NAME FRAMES MEGAPIXELS MEDIAN_SECONDS MIN_SECONDS
// where MEGAPIXELS counts the decoded pixels of all frames of one decode.

#include "gif/GIFImage.h"
#include "platform/graphics/Stream.h"

#include <zlib.h>

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

void Time(const char* name, int repeats)
{
    const std::vector<std::uint8_t> bytes = ReadFile(name);
    std::vector<double> seconds;
    Decoded decoded;
    try {
        for (int i = 0; i < repeats; ++i) {
            TGIFImage image;
            const auto start = std::chrono::steady_clock::now();
            decoded = Decode(image, bytes);
            seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    } catch (const GIFException&) {
        std::printf("%s error\n", name);
        return;
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%s %d %.3f %.6f %.6f\n", name, decoded.frames, decoded.pixels / 1e6, seconds[seconds.size() / 2],
                seconds.front());
}

} // namespace

int main(int argc, char** argv)
{
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
