#include "gif/GIFColorMapOptimizer.h"

#include "gif/GIFImage.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <string>

THistogram::THistogram(const TGIFColorMap& map) : colorCount_(map.GetCount())
{
    const std::array<platform::Rgb, 256> colors = map.PaddedEntries();
    for (int i = 0; i < 256; ++i) {
        TColorRecord& record = records_[static_cast<std::size_t>(i)];
        record.index = i;
        record.color = colors[static_cast<std::size_t>(i)];
    }
}

bool THistogram::ProcessSubImage(TGIFSubImage& frame)
{
    Frames.push_back(&frame);
    std::array<std::uint64_t, 256> counts{};
    for (const std::uint8_t index : frame.GetData())
        ++counts[index];
    const int transparent = frame.GetTransparentIndex();
    bool transparentUsed = false;
    if (transparent >= 0) {
        transparentUsed = counts[static_cast<std::size_t>(transparent)] > 0;
        counts[static_cast<std::size_t>(transparent)] = 0;
        if (!transparentUsed)
            frame.DropTransparency();
    }
    const std::uint64_t beyond = std::accumulate(counts.begin() + colorCount_, counts.end(), std::uint64_t{0});
    if (beyond > 0)
        frame.Warning(gsWarning, std::string(gifstrings::sInvalidColor) + ": " + std::to_string(beyond) + " pixels");
    for (std::size_t i = 0; i < 256; ++i)
        records_[i].count += counts[i];
    for (const auto& extension : frame.Extensions)
        if (const auto* text = dynamic_cast<const TGIFTextExtension*>(extension.get())) {
            CountUse(text->ForegroundColorIndex);
            CountUse(text->BackgroundColorIndex);
        }
    return transparentUsed;
}

std::vector<TColorRecord*> THistogram::Prune()
{
    std::vector<TColorRecord*> used;
    for (TColorRecord& record : records_)
        if (record.count > 0)
            used.push_back(&record);
    std::stable_sort(used.begin(), used.end(),
                     [](const TColorRecord* a, const TColorRecord* b) { return a->count > b->count; });
    return used;
}

TColorTranslation THistogram::Translation() const
{
    TColorTranslation map{};
    for (const TColorRecord& record : records_)
        if (record.newIndex < 256)
            map[static_cast<std::size_t>(record.index)] = static_cast<std::uint8_t>(record.newIndex);
    return map;
}

void TColorMapOptimizer::Optimize()
{
    Analyze();
    for (const auto& histogram : histograms_)
        for (TColorRecord* record : histogram->Prune())
            records_.push_back(record);
    MergeColors();
    GetBestColors();
    ApplyColorMap();
    MapImages();
}

void TColorMapOptimizer::Analyze()
{
    TGIFColorMap& global = image_.GetGlobalColorMap();
    if (global.GetCount() > 0) {
        auto histogram = std::make_unique<THistogram>(global);
        // The background keeps its colour even where no pixel shows it.
        histogram->CountUse(image_.GetBackgroundColorIndex());
        for (const auto& frame : image_.Images)
            if (!frame->GetEmpty() && &frame->GetActiveColorMap() == &global)
                UseTransparency = histogram->ProcessSubImage(*frame) || UseTransparency;
        global_ = histogram.get();
        histograms_.push_back(std::move(histogram));
    }
    // Frames without any table get one of their own, empty: their pixels are black.
    for (const auto& frame : image_.Images)
        if (!frame->GetEmpty() && &frame->GetActiveColorMap() != &global) {
            auto histogram = std::make_unique<THistogram>(frame->ColorMap);
            UseTransparency = histogram->ProcessSubImage(*frame) || UseTransparency;
            histograms_.push_back(std::move(histogram));
        }
}

void TColorMapOptimizer::MergeColors()
{
    order_.resize(records_.size());
    std::iota(order_.begin(), order_.end(), 0);
    const auto value = [this](int at) {
        const platform::Rgb c = records_[static_cast<std::size_t>(at)]->color;
        return c.r + c.g * 256 + c.b * 65536;
    };
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) { return value(a) > value(b); });
    int kept = -1;
    for (const int at : order_) {
        TColorRecord& record = *records_[static_cast<std::size_t>(at)];
        TColorRecord* keeper = kept >= 0 ? records_[static_cast<std::size_t>(kept)] : nullptr;
        if (keeper && keeper->color == record.color) {
            keeper->count += record.count;
            record.count = 0;
            record.mergedInto = kept;
        } else {
            kept = at;
        }
    }
}

void TColorMapOptimizer::GetBestColors()
{
    std::stable_sort(order_.begin(), order_.end(), [this](int a, int b) {
        return records_[static_cast<std::size_t>(a)]->count > records_[static_cast<std::size_t>(b)]->count;
    });
    const std::size_t limit = UseTransparency ? 255 : 256;
    for (const int at : order_) {
        TColorRecord& record = *records_[static_cast<std::size_t>(at)];
        if (record.count == 0 || newColorMap_.size() == limit)
            break;
        record.newIndex = static_cast<int>(newColorMap_.size());
        newColorMap_.push_back(record.color);
    }
    for (TColorRecord* record : records_)
        if (record->count > 0 && record->newIndex == 256)
            record->newIndex = Nearest(record->color);
    for (TColorRecord* record : records_)
        if (record->mergedInto >= 0)
            record->newIndex = records_[static_cast<std::size_t>(record->mergedInto)]->newIndex;
    if (UseTransparency) {
        NewTransparentColorIndex = static_cast<std::uint8_t>(newColorMap_.size());
        newColorMap_.push_back(platform::Rgb{});
    }
}

int TColorMapOptimizer::Nearest(platform::Rgb color) const
{
    int best = 0;
    int bestDistance = 3 * 256;
    for (std::size_t i = 0; i < newColorMap_.size(); ++i) {
        const platform::Rgb c = newColorMap_[i];
        const int distance = std::abs(c.r - color.r) + std::abs(c.g - color.g) + std::abs(c.b - color.b);
        if (distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

void TColorMapOptimizer::ApplyColorMap()
{
    for (const auto& frame : image_.Images)
        frame->ColorMap.Clear();
    TGIFColorMap& global = image_.GetGlobalColorMap();
    global.ImportColorMap(newColorMap_);
    global.SetSorted(true);
}

void TColorMapOptimizer::MapImages()
{
    for (const auto& histogram : histograms_) {
        const TColorTranslation map = histogram->Translation();
        for (TGIFSubImage* frame : histogram->Frames) {
            TColorTranslation own = map;
            // Still transparent only when some pixel is, so the new transparent entry exists.
            if (const int transparent = frame->GetTransparentIndex(); transparent >= 0)
                own[static_cast<std::size_t>(transparent)] = NewTransparentColorIndex;
            frame->MapColors(own);
        }
        if (histogram.get() == global_)
            image_.SetBackgroundColorIndex(map[static_cast<std::size_t>(image_.GetBackgroundColorIndex())]);
    }
    for (const auto& frame : image_.Images) {
        frame->FreeBitmap();
        frame->SetPalette({});
    }
}

void TGIFImage::OptimizeColorMap()
{
    PaintStop();
    TColorMapOptimizer(*this).Optimize();
    FreeBitmap();
}
