#pragma once

// Pictures made frame by frame through the codec's own interface, and what a viewer shows
// of them: the reference compositor's screens with the time each one stays.

#include "PainterTestKit.h"

#include <cmath>
#include <ostream>
#include <random>

namespace giftest {

// A frame of `pixels` (width x height indices) at `rect`; with no graphic control extension
// when `transparent`, `disposal` and `delay` are all -1.
inline TGIFSubImage& AddFrame(TGIFImage& image, const GifRect& r, const Bytes& pixels, int transparent = -1,
                              int disposal = -1, int delay = -1, const std::vector<platform::Rgb>& local = {})
{
    auto frame = std::make_unique<TGIFSubImage>(&image);
    frame->DoSetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    for (int y = 0; y < r.bottom - r.top; ++y)
        std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(y) * (r.right - r.left), r.right - r.left,
                    frame->GetScanline(y));
    frame->ColorMap.ImportColorMap(local);
    if (disposal >= 0 || delay >= 0 || transparent >= 0) {
        auto control = std::make_unique<TGIFGraphicControlExtension>(frame.get());
        control->SetDisposal(static_cast<TDisposalMethod>(std::max(disposal, 0)));
        control->SetDelay(std::max(delay, 0));
        control->SetTransparent(transparent >= 0);
        control->TransparentColorIndex = static_cast<std::uint8_t>(std::max(transparent, 0));
        frame->Extensions.Add(std::move(control));
    }
    TGIFSubImage& added = *frame;
    image.Add(std::move(frame));
    return added;
}

// A picture of a `width` x `height` screen with `global` as its global table.
inline std::unique_ptr<TGIFImage> NewPicture(int width, int height, const std::vector<platform::Rgb>& global = {},
                                             int background = 0)
{
    auto image = std::make_unique<TGIFImage>();
    image->Header.SetWidth(width);
    image->Header.SetHeight(height);
    image->GetGlobalColorMap().ImportColorMap(global);
    image->SetBackgroundColorIndex(background);
    return image;
}

// One screen a viewer shows and for how long (in 1/100 s, as the frames state it).
struct Shown {
    std::vector<std::uint32_t> screen;
    int delay = 0;
    friend bool operator==(const Shown&, const Shown&) = default;
};

// Consecutive equal screens are one screen shown for their delays together: the same
// animation whatever frames make it up.
template <class Screen>
std::vector<Shown> Timeline(const std::vector<Screen>& screens, const std::vector<int>& delays)
{
    std::vector<Shown> shown;
    for (std::size_t i = 0; i < screens.size(); ++i) {
        if (!shown.empty()
            && std::equal(shown.back().screen.begin(), shown.back().screen.end(), screens[i].begin(), screens[i].end()))
            shown.back().delay += delays[i];
        else
            shown.push_back({{screens[i].begin(), screens[i].end()}, delays[i]});
    }
    return shown;
}

inline std::vector<Shown> Timeline(const TGIFImage& image)
{
    std::vector<int> delays;
    for (const auto& frame : image.Images) {
        const auto* control = frame->GetGraphicControlExtension();
        delays.push_back(control ? control->GetDelay() : 0);
    }
    return Timeline(Coalesce(image.GetWidth(), image.GetHeight(), ReferenceFrames(image)), delays);
}

// Steps that differ print their delay and screen, a row a line.
inline void PrintTo(const Shown& shown, std::ostream* out)
{
    *out << "delay " << shown.delay << ":";
    const std::size_t side = static_cast<std::size_t>(std::sqrt(static_cast<double>(shown.screen.size())));
    for (std::size_t i = 0; i < shown.screen.size(); ++i)
        *out << (side && i % side == 0 ? "\n  " : " ") << std::hex << shown.screen[i] << std::dec;
    *out << "\n";
}
} // namespace giftest
