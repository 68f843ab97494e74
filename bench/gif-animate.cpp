// Frames composed per second: an animation played by its painter with every wait removed,
// its hand-offs served on this thread as the user-interface thread serves them.
//   gif-animate FILE...           NAME FRAMES CRC32   (every composite as R, G, B, A bytes)
//   gif-animate --time N FILE...  NAME FRAMES MEDIAN_SECONDS MIN_SECONDS MAX_SECONDS (the file
//                                 loaded before each timed play; processor time of both
//                                 threads, so that other work on the machine does not count)
//   gif-animate --hd N            1920x1080 FRAMES MEDIAN_MS_PER_FRAME   (N full-screen frames,
//                                 each restoring the one before; the processor time of this,
//                                 the serving thread, whatever else the machine runs)
//   gif-animate --peak load|still|play FILE   PEAK_MB   (this process's peak resident memory
//                                 once FILE is loaded from disk; then its still picture made
//                                 as picture loading makes it; or its frames played once)

#include "gif/GIFHandOff.h"
#include "gif/GIFImage.h"
#include "platform/graphics/Stream.h"

#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// No time passes and no wait waits.
class InstantClock final : public TGIFPainterClock {
public:
    std::int64_t Now() override { return 0; }
    bool WaitFor(std::unique_lock<std::mutex>&, std::condition_variable&, std::int64_t,
                 const std::function<bool()>& woken) override
    {
        return woken();
    }
};

InstantClock instant;

std::vector<std::uint8_t> ReadFile(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Load(TGIFImage& image, const std::vector<std::uint8_t>& bytes)
{
    auto stream = platform::MemoryStream::borrowing(bytes);
    image.LoadFromStream(stream);
}

// Plays every frame once; `painted` sees each composite.
void Play(TGIFImage& image, const std::function<void(const platform::Bitmap&)>& painted = {})
{
    image.PainterClock = &instant;
    if (painted)
        image.OnFramePainted = [&](TGIFPainter* p) { painted(*p->Target()); };
    image.Paint(nullptr, {0, 0, image.GetWidth(), image.GetHeight()}, goAsync | goAnimate | goTransparent);
    GifHandOffs().ServeUntil([&] { return image.Painters().empty(); });
}

void CrossCheck(const char* name)
{
    TGIFImage image;
    Load(image, ReadFile(name));
    unsigned long crc = crc32(0L, nullptr, 0);
    int frames = 0;
    std::vector<std::uint8_t> rgba;
    Play(image, [&](const platform::Bitmap& composite) {
        rgba.resize(static_cast<std::size_t>(composite.width()) * 4);
        for (int y = 0; y < composite.height(); ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(composite.scanLine(y));
            for (int x = 0; x < composite.width(); ++x) {
                const std::uint32_t p = row[x];
                const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                                               static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 24)};
                std::memcpy(&rgba[4 * static_cast<std::size_t>(x)], bytes, 4);
            }
            crc = crc32(crc, rgba.data(), static_cast<uInt>(rgba.size()));
        }
        ++frames;
    });
    std::printf("%s %d %08lx\n", name, frames, crc);
}

double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double ProcessSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Sorted times of `work`, each after an untimed `prepare`, by the clock `now`.
template <class Work>
std::vector<double> Timed(int repeats, const std::function<void()>& prepare, Work work, double (*now)())
{
    std::vector<double> seconds;
    for (int i = 0; i < repeats; ++i) {
        prepare();
        const double start = now();
        work();
        seconds.push_back(now() - start);
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds;
}

void Time(const char* name, int repeats)
{
    const std::vector<std::uint8_t> bytes = ReadFile(name);
    std::unique_ptr<TGIFImage> image;
    const auto seconds = Timed(
        repeats,
        [&] {
            image = std::make_unique<TGIFImage>();
            Load(*image, bytes);
        },
        [&] { Play(*image); }, ProcessSeconds);
    std::printf("%s %d %.6f %.6f %.6f\n", name, image->Images.GetCount(), seconds[seconds.size() / 2], seconds.front(),
                seconds.back());
}

// Full-screen frames of changing colours, each disposed of by restoring the one before.
void TimeFullHD(int frames)
{
    constexpr int W = 1920, H = 1080;
    std::unique_ptr<TGIFImage> image;
    const auto seconds = Timed(
        5,
        [&] {
            image = std::make_unique<TGIFImage>();
            std::vector<platform::Rgb> colours;
            for (int i = 0; i < 256; ++i)
                colours.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                   static_cast<std::uint8_t>(i * 7)});
            image->Header.ColorMap.ImportColorMap(colours);
            image->SetWidth(W);
            image->SetHeight(H);
            for (int f = 0; f < frames; ++f) {
                auto frame = std::make_unique<TGIFSubImage>(image.get());
                frame->DoSetBounds(0, 0, W, H);
                for (int y = 0; y < H; ++y) {
                    std::uint8_t* row = frame->GetScanline(y);
                    for (int x = 0; x < W; ++x)
                        row[x] = static_cast<std::uint8_t>((x / 8 + y / 8 + f) & 0xFF);
                }
                auto control = std::make_unique<TGIFGraphicControlExtension>(frame.get());
                control->SetDisposal(dmPrevious);
                control->SetTransparent(true);
                control->TransparentColorIndex = 0;
                frame->Extensions.Add(std::move(control));
                image->Add(std::move(frame));
            }
        },
        [&] { Play(*image); }, ThreadSeconds);
    std::printf("%dx%d %d %.3f\n", W, H, frames, seconds[seconds.size() / 2] * 1000 / frames);
}

int Peak(const char* mode, const char* name)
{
    TGIFImage image;
    image.LoadFromFile(name);
    platform::Bitmap still;
    if (std::strcmp(mode, "still") == 0)
        still = image.ComposeStill();
    else if (std::strcmp(mode, "play") == 0)
        Play(image);
    else if (std::strcmp(mode, "load") != 0)
        return 2;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024);
    return 0;
}

// `file` names the file being worked on, for the error that may end the run.
int Run(int argc, char** argv, const char*& file)
{
    if (argc == 4 && std::strcmp(argv[1], "--peak") == 0)
        return Peak(argv[2], file = argv[3]);
    if (argc > 2 && std::strcmp(argv[1], "--hd") == 0) {
        TimeFullHD(std::max(2, std::atoi(argv[2])));
        return 0;
    }
    int repeats = 0;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--time") == 0) {
        repeats = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    for (int i = first; i < argc; ++i)
        repeats > 0 ? Time(file = argv[i], repeats) : CrossCheck(file = argv[i]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    GifHandOffs().SetWake([] {});
    const char* file = "";
    try {
        return Run(argc, argv, file);
    } catch (const platform::Exception& e) {
        // A picture the codec refuses ends the run as a failure, not an abort.
        std::fprintf(stderr, "gif-animate: %s: %s\n", file, e.what());
        return 1;
    }
}
