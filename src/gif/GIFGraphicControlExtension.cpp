#include "gif/GIFGraphicControlExtension.h"

#include "gif/GIFException.h"
#include "gif/GIFStreamOps.h"
#include "gif/GIFStrings.h"
#include "gif/GIFSubImage.h"


TDisposalMethod TGIFGraphicControlExtension::GetDisposal() const
{
    const int bits = (Flags >> 2) & 7;
    return bits <= dmPrevious ? static_cast<TDisposalMethod>(bits) : dmNoDisposal;
}

void TGIFGraphicControlExtension::SetDisposal(TDisposalMethod disposal)
{
    Flags = static_cast<std::uint8_t>((Flags & ~0x1C) | ((disposal & 7) << 2));
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int index)
{
    const int count = SubImage ? SubImage->GetActiveColorMap().GetCount() : 0;
    if ((index < 0 || index >= count) && count > 0) {
        Warning(gsWarning, gifstrings::sBadColorIndex);
        index = 0;
    }
    TransparentColorIndex = static_cast<std::uint8_t>(index);
}

platform::Rgb TGIFGraphicControlExtension::GetTransparentColor() const
{
    return SubImage ? SubImage->GetActiveColorMap().LookupPadded(TransparentColorIndex) : platform::Rgb{};
}

void TGIFGraphicControlExtension::SetTransparentColor(platform::Rgb color)
{
    // Without a frame there is no table to hold the colour.
    if (!SubImage)
        RaiseGIFError(gifstrings::sNoColorTable);
    TransparentColorIndex = static_cast<std::uint8_t>(SubImage->GetActiveColorMap().AddUnique(color));
}

void TGIFGraphicControlExtension::ReadBody(platform::Stream& stream)
{
    // The block size is honoured, whatever it says, so that a block of another size
    // cannot throw the rest of the file out of step; a short block keeps zero fields.
    const int size = ReadOneByte(stream);
    if (size < 0) {
        Warning(gsWarning, gifstrings::sOutOfData);
        return;
    }
    std::uint8_t fields[255] = {};
    const std::size_t got = stream.read(fields, static_cast<std::size_t>(size));
    if (got >= 4) {
        Flags = fields[0];
        Delay = LoadLE16(fields + 1);
        TransparentColorIndex = fields[3];
    }
    if (size < 4 || got < static_cast<std::size_t>(size))
        Warning(gsWarning, gifstrings::sOutOfData);
    SkipSubBlocks(stream);
}

void TGIFGraphicControlExtension::WriteBody(platform::Stream& stream) const
{
    std::uint8_t bytes[6] = {4, Flags, 0, 0, TransparentColorIndex, 0};
    StoreLE16(bytes + 2, Delay);
    stream.write(bytes, sizeof bytes);
}
