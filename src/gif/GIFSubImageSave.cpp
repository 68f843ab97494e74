#include "gif/GIFEncoder.h"
#include "gif/GIFException.h"
#include "gif/GIFImage.h"
#include "gif/GIFStreamOps.h"
#include "gif/GIFStrings.h"
#include "gif/GIFSubImage.h"

#include <algorithm>
#include <span>

void TGIFSubImage::SaveToStream(platform::Stream& stream)
{
    Extensions.SaveToStream(stream);
    if (GetEmpty())
        return;
    PadColorMapToPixels();
    Prepare();
    stream.write(Descriptor.data(), Descriptor.size());
    ColorMap.SaveToStream(stream);
    Compress(stream);
}

void TGIFSubImage::Prepare()
{
    Descriptor[0] = ',';
    if (ColorMap.GetCount() > 0) {
        std::uint8_t flags = kLocalTable | (Descriptor[9] & kInterlaced);
        if (ColorMap.GetSorted())
            flags |= kSortedTable;
        Descriptor[9] = static_cast<std::uint8_t>(flags | (GetColorResolution() & 7));
    } else {
        Descriptor[9] &= 0x58;
    }
}

void TGIFSubImage::Compress(platform::Stream& stream) const
{
    if (pixels_.size() != static_cast<std::size_t>(GetWidth()) * static_cast<std::size_t>(GetHeight()))
        RaiseGIFError(gifstrings::sBadDimension);
    // The code size follows the table this frame is drawn with, not the largest table of
    // the picture: a small frame beside a 256-colour one stays small.
    const int colors = GetActiveColorMap().GetCount();
    const auto encoder = MakeEncoder(Image ? Image->Compression : gcLZW);
    encoder->Encode(stream, ColorBitsFor(static_cast<std::size_t>(colors)), colors, pixels_.data(), GetInterlaced(),
                    GetHeight(), GetWidth());
}

void TGIFSubImage::PadColorMapToPixels()
{
    if (GetEmpty())
        return;
    const int highest = *std::max_element(pixels_.begin(), pixels_.end());
    TGIFColorMap& table = GetActiveColorMap();
    if (highest < table.GetCount())
        return;
    Warning(gsWarning, gifstrings::sInvalidColor);
    const std::array<platform::Rgb, 256> padded = table.PaddedEntries();
    table.ImportColorMap(std::span(padded.data(), static_cast<std::size_t>(highest) + 1));
}
