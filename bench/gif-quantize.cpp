// Reduces a true-colour photo (a binary PPM) to 256 colours with our codec, for timing
// against giflib's GifQuantizeBuffer (gif-quantize-giflib) and ImageMagick:
//   gif-quantize --time N PHOTO OUT    the octree palette and Floyd-Steinberg, N times; the
//                                      last result is saved as the GIF OUT. The line is
//   MEGAPIXELS MEDIAN_SECONDS MIN_SECONDS
//   gif-quantize --engines N PHOTO     each dither engine into the web palette, N times; a
//                                      line per engine: NAME MEGAPIXELS MEDIAN_SECONDS

#include "gif/GIFColorReduction.h"
#include "gif/GIFImage.h"
#include "platform/base/Exception.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

using platform::Bitmap;

// The next number of a PPM header, past blanks and comments.
bool ReadHeaderNumber(std::FILE* file, int& value)
{
    int c = std::fgetc(file);
    while (c == '#' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        if (c == '#')
            while (c != '\n' && c != EOF)
                c = std::fgetc(file);
        c = std::fgetc(file);
    }
    if (c < '0' || c > '9')
        return false;
    value = 0;
    for (; c >= '0' && c <= '9'; c = std::fgetc(file))
        value = value * 10 + (c - '0');
    return value > 0;
}

bool ReadPpm(const char* name, Bitmap& photo)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name, "rb"), std::fclose);
    int width = 0, height = 0, maximum = 0;
    if (!file || std::fgetc(file.get()) != 'P' || std::fgetc(file.get()) != '6' || !ReadHeaderNumber(file.get(), width)
        || !ReadHeaderNumber(file.get(), height) || !ReadHeaderNumber(file.get(), maximum) || maximum != 255)
        return false;
    photo = Bitmap(width, height, platform::PixelFormat::Rgb24);
    for (int y = 0; y < height; ++y)
        if (std::fread(photo.scanLine(y), 3, static_cast<std::size_t>(width), file.get())
            != static_cast<std::size_t>(width))
            return false;
    return true;
}

// Median and minimum of `repeats` runs of `work`, in seconds.
std::pair<double, double> Time(int repeats, const std::function<void()>& work)
{
    std::vector<double> seconds;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return {seconds[seconds.size() / 2], seconds.front()};
}

void SaveGif(const Bitmap& reduced, const char* name)
{
    TGIFImage picture;
    auto frame = std::make_unique<TGIFSubImage>(&picture);
    frame->Assign(reduced);
    picture.Add(std::move(frame));
    picture.SaveToFile(name);
}

int Run(int argc, char** argv)
{
    const bool engines = argc > 1 && std::strcmp(argv[1], "--engines") == 0;
    if (!(argc == 5 && std::strcmp(argv[1], "--time") == 0) && !(argc == 4 && engines)) {
        std::fprintf(stderr, "usage: gif-quantize --time N PHOTO OUT | gif-quantize --engines N PHOTO\n");
        return 2;
    }
    const int repeats = std::max(1, std::atoi(argv[2]));
    Bitmap photo;
    if (!ReadPpm(argv[3], photo)) {
        std::fprintf(stderr, "%s: not a binary PPM of 8-bit channels\n", argv[3]);
        return 1;
    }
    const double megapixels = static_cast<double>(photo.width()) * photo.height() / 1e6;
    if (!engines) {
        Bitmap reduced;
        const auto [median, best] = Time(repeats, [&] {
            reduced = ReduceColors(photo, TColorReduction::rmQuantize, TDitherMode::dmFloydSteinberg, 8);
        });
        SaveGif(reduced, argv[4]);
        std::printf("%.3f %.6f %.6f\n", megapixels, median, best);
        return 0;
    }
    const std::pair<const char*, TDitherMode> modes[] = {{"nearest", TDitherMode::dmNearest},
                                                         {"Floyd-Steinberg", TDitherMode::dmFloydSteinberg},
                                                         {"Stucki", TDitherMode::dmStucki},
                                                         {"Sierra", TDitherMode::dmSierra},
                                                         {"Jarvis-Judice-Ninke", TDitherMode::dmJaJuNI},
                                                         {"Stevenson-Arce", TDitherMode::dmSteveArche},
                                                         {"Burkes", TDitherMode::dmBurkes}};
    for (const auto& [name, mode] : modes) {
        const TDitherMode dither = mode;
        const auto [median, best] = Time(repeats, [&] { ReduceColors(photo, TColorReduction::rmNetscape, dither, 8); });
        std::printf("%s %.3f %.6f\n", name, megapixels, median);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const platform::Exception& e) {
        std::fprintf(stderr, "gif-quantize: %s\n", e.what());
        return 1;
    }
}
