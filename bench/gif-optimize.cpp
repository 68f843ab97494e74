// Optimises GIF animations with our codec, for bench/gif-optimize.sh:
//   gif-optimize --make FRAMES OUT   writes an unoptimised 640x480 animation of FRAMES whole
//                                    frames: a photo-like background, a moving ball and a
//                                    ticking counter; every other frame has its own table
//   gif-optimize --save IN OUT       Optimize with every option, then saves OUT
//   gif-optimize --time N FILE       the file is decoded once; OptimizeColorMap and Optimize
//                                    with every option each run N times on fresh copies:
//   NAME FRAMES MEGAPIXELS COLORMAP_MEDIAN_SECONDS OPTIMIZE_MEDIAN_SECONDS
// where MEGAPIXELS counts the pixels of all frames.

#include "gif/GIFImage.h"
#include "platform/base/Exception.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kShades = 200; // of the background; the ball and the counter take 20 more
constexpr TGIFOptimizeOptions kEveryOption = ooCrop | ooMerge | ooCleanup | ooColorMap | ooReduceColors;

std::vector<platform::Rgb> Palette()
{
    std::vector<platform::Rgb> colours;
    for (int i = 0; i < kShades; ++i)
        colours.push_back({static_cast<std::uint8_t>(40 + i), static_cast<std::uint8_t>(90 + i / 2),
                           static_cast<std::uint8_t>(230 - i)});
    for (int i = 0; i < 20; ++i)
        colours.push_back({static_cast<std::uint8_t>(255 - i * 6), static_cast<std::uint8_t>(i * 12), 20});
    return colours;
}

std::uint8_t Pixel(int frame, int x, int y)
{
    const int ballX = 40 + frame * 7 % (kWidth - 80);
    const int ballY = kHeight / 2 + static_cast<int>(std::lround(150 * std::sin(frame / 9.0)));
    const int dx = x - ballX, dy = y - ballY;
    if (dx * dx + dy * dy < 24 * 24)
        return static_cast<std::uint8_t>(kShades + (dx * dx + dy * dy) / 30);
    // The counter: eight cells lit by the bits of the frame number.
    if (y >= 10 && y < 30 && x >= 10 && x < 90)
        return static_cast<std::uint8_t>((frame >> ((x - 10) / 10)) & 1 ? kShades + 19 : kShades + 10);
    const int grain = (x * 7 + y * 13) % 5;
    return static_cast<std::uint8_t>((x / 4 + y / 3 + grain) % kShades);
}

int Make(int frames, const char* out)
{
    TGIFImage image;
    const std::vector<platform::Rgb> palette = Palette();
    image.Header.SetWidth(kWidth);
    image.Header.SetHeight(kHeight);
    image.GetGlobalColorMap().ImportColorMap(palette);
    std::vector<platform::Rgb> reversed(palette.rbegin(), palette.rend());
    const int last = static_cast<int>(palette.size()) - 1;
    for (int f = 0; f < frames; ++f) {
        auto frame = std::make_unique<TGIFSubImage>(&image);
        frame->DoSetBounds(0, 0, kWidth, kHeight);
        const bool local = f % 2 == 1;
        if (local)
            frame->ColorMap.ImportColorMap(reversed);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = frame->GetScanline(y);
            for (int x = 0; x < kWidth; ++x)
                row[x] = static_cast<std::uint8_t>(local ? last - Pixel(f, x, y) : Pixel(f, x, y));
        }
        auto control = std::make_unique<TGIFGraphicControlExtension>(frame.get());
        control->SetDelay(4);
        frame->Extensions.Add(std::move(control));
        image.Add(std::move(frame));
    }
    image.SaveToFile(out);
    return 0;
}

int Save(const char* in, const char* out)
{
    TGIFImage image;
    image.LoadFromFile(in);
    image.Optimize(kEveryOption, TColorReduction::rmNone, TDitherMode::dmNearest, 8);
    image.SaveToFile(out);
    return 0;
}

double MedianSeconds(const TGIFImage& original, int repeats, const std::function<void(TGIFImage&)>& work)
{
    std::vector<double> seconds;
    for (int i = 0; i < repeats; ++i) {
        TGIFImage copy;
        copy.Assign(&original);
        const auto start = std::chrono::steady_clock::now();
        work(copy);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

int Time(const char* name, int repeats)
{
    TGIFImage image;
    image.LoadFromFile(name);
    double pixels = 0;
    for (const auto& frame : image.Images)
        pixels += static_cast<double>(frame->GetData().size());
    const double colorMap = MedianSeconds(image, repeats, [](TGIFImage& copy) { copy.OptimizeColorMap(); });
    const double optimize = MedianSeconds(image, repeats, [](TGIFImage& copy) {
        copy.Optimize(kEveryOption, TColorReduction::rmNone, TDitherMode::dmNearest, 8);
    });
    std::printf("%s %d %.3f %.6f %.6f\n", name, image.Images.GetCount(), pixels / 1e6, colorMap, optimize);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 4 && std::strcmp(argv[1], "--make") == 0)
            return Make(std::max(1, std::atoi(argv[2])), argv[3]);
        if (argc == 4 && std::strcmp(argv[1], "--save") == 0)
            return Save(argv[2], argv[3]);
        if (argc == 4 && std::strcmp(argv[1], "--time") == 0)
            return Time(argv[3], std::max(1, std::atoi(argv[2])));
    } catch (const platform::Exception& e) {
        std::fprintf(stderr, "gif-optimize: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: gif-optimize --make FRAMES OUT | --save IN OUT | --time N FILE\n");
    return 2;
}
