#include "gif/GIFColorMap.h"
#include "gif/GIFImage.h"

// The global table's users are every frame without a table of its own, and the header's
// background colour.

void TGIFGlobalColorMap::Warning(TGIFSeverity severity, std::string_view message)
{
    GifWarning(Header->Image, this, severity, message);
}

void TGIFGlobalColorMap::BuildHistogram(TUsageTable& usage)
{
    if (TGIFImage* image = Header->Image)
        for (const auto& frame : image->Images)
            if (&frame->GetActiveColorMap() == this)
                frame->CountColorUse(usage);
    // The background is drawn with this table even where no pixel shows it.
    ++usage[static_cast<std::size_t>(Header->GetBackgroundColorIndex())].count;
}

void TGIFGlobalColorMap::MapImages(const TColorTranslation& map)
{
    if (TGIFImage* image = Header->Image)
        for (const auto& frame : image->Images)
            if (&frame->GetActiveColorMap() == this)
                frame->MapColors(map);
    Header->Descriptor[5] = map[Header->Descriptor[5]];
}

bool TGIFGlobalColorMap::Optimize()
{
    return Header->Image && !Header->Image->GetEmpty() && DoOptimize();
}

void TGIFGlobalColorMap::Changed()
{
    if (Header->Image)
        Header->Image->ColorMapChanged();
}

void TGIFLocalColorMap::Warning(TGIFSeverity severity, std::string_view message)
{
    GifWarning(SubImage->Image, this, severity, message);
}

void TGIFLocalColorMap::BuildHistogram(TUsageTable& usage)
{
    SubImage->CountColorUse(usage);
}

void TGIFLocalColorMap::MapImages(const TColorTranslation& map)
{
    SubImage->MapColors(map);
}

bool TGIFLocalColorMap::Optimize()
{
    return DoOptimize();
}

void TGIFLocalColorMap::Changed()
{
    SubImage->SetPalette({});
}
