// Encodes GIF pictures with our codec, for cross-checking against other decoders and for
// timing against giflib's encoder (gif-encode-giflib):
//   gif-encode --resave IN OUT     loads IN and saves it as OUT (exit 1, the error on stderr)
//   gif-encode --resave --rle IN OUT   the same, saved with run-length codes
//   gif-encode --time N FILES...   each file is decoded once; its frames are then saved N
//                                  times into memory, and the line is
//   NAME FRAMES MEGAPIXELS MEDIAN_SECONDS MIN_SECONDS BYTES
// where MEGAPIXELS counts the input pixels of all frames and BYTES the size of one save.

#include "gif/GIFImage.h"
#include "platform/base/Exception.h"
#include "platform/graphics/Stream.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int Resave(const char* in, const char* out, TGIFCompression compression)
{
    try {
        TGIFImage image;
        image.LoadFromFile(in);
        image.Compression = compression;
        image.SaveToFile(out);
        return 0;
    } catch (const platform::Exception& e) {
        std::fprintf(stderr, "%s: %s\n", in, e.what());
        return 1;
    }
}

void Time(const char* name, int repeats)
{
    TGIFImage image;
    try {
        image.LoadFromFile(name);
    } catch (const platform::Exception&) {
        std::printf("%s error\n", name);
        return;
    }
    double pixels = 0;
    int frames = 0;
    for (const auto& frame : image.Images) {
        frames += frame->GetEmpty() ? 0 : 1;
        pixels += static_cast<double>(frame->GetData().size());
    }
    std::vector<double> seconds;
    std::size_t bytes = 0;
    for (int i = 0; i < repeats; ++i) {
        platform::MemoryStream out;
        const auto start = std::chrono::steady_clock::now();
        image.SaveToStream(out);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        bytes = out.bytes().size();
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%s %d %.3f %.6f %.6f %zu\n", name, frames, pixels / 1e6, seconds[seconds.size() / 2], seconds.front(),
                bytes);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--resave") == 0)
        return Resave(argv[2], argv[3], gcLZW);
    if (argc == 5 && std::strcmp(argv[1], "--resave") == 0 && std::strcmp(argv[2], "--rle") == 0)
        return Resave(argv[3], argv[4], gcRLE);
    if (argc > 3 && std::strcmp(argv[1], "--time") == 0) {
        const int repeats = std::max(1, std::atoi(argv[2]));
        for (int i = 3; i < argc; ++i)
            Time(argv[i], repeats);
        return 0;
    }
    std::fprintf(stderr, "usage: gif-encode --resave [--rle] IN OUT | gif-encode --time N FILE...\n");
    return 2;
}
