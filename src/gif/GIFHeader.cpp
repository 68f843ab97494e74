#include "gif/GIFHeader.h"

#include "gif/GIFException.h"
#include "gif/GIFImage.h"
#include "gif/GIFStreamOps.h"
#include "gif/GIFStrings.h"
#include "platform/base/AsciiCase.h"

#include <algorithm>

namespace {

bool IsSignature(const std::uint8_t* bytes)
{
    return platform::AsciiEqualNoCase(std::string_view(reinterpret_cast<const char*>(bytes), 3), "GIF");
}

constexpr std::uint8_t kGlobalTable = 0x80;
constexpr std::uint8_t kSorted = 0x08;

} // namespace

TGIFHeader::TGIFHeader(TGIFImage* image) : TGIFItem(image), ColorMap(this) {}

void TGIFHeader::LoadFromStream(platform::Stream& stream)
{
    const std::int64_t start = stream.position();
    std::uint8_t signature[6];
    ReadExactly(stream, signature, sizeof signature);
    if (!IsSignature(signature)) {
        // Some writers put a 4-byte prefix before the signature; such files are accepted.
        stream.setPosition(start + 4);
        ReadExactly(stream, signature, sizeof signature);
        if (!IsSignature(signature))
            RaiseGIFError(gifstrings::sBadSignature);
    }
    ReadExactly(stream, Descriptor.data(), Descriptor.size());
    if (Descriptor[4] & kGlobalTable)
        ColorMap.LoadFromStream(stream, 2 << (Descriptor[4] & 7));
    else
        ColorMap.Clear();
}

void TGIFHeader::Prepare(int colorResolution)
{
    std::uint8_t flags = static_cast<std::uint8_t>((colorResolution & 7) << 4);
    if (ColorMap.GetCount() > 0) {
        flags |= kGlobalTable;
        if (ColorMap.GetSorted())
            flags |= kSorted;
        // The size bits follow the table actually written, whatever the frames use.
        flags |= static_cast<std::uint8_t>((ColorMap.GetBitsPerPixel() - 1) & 7);
    }
    Descriptor[4] = flags;
}

void TGIFHeader::SaveToStream(platform::Stream& stream)
{
    if (Image)
        SaveToStream(stream, Image->GetSaveVersion(), Image->GetColorResolution());
    else
        SaveToStream(stream, std::max(gv87a, GetVersion()), GetColorResolution());
}

void TGIFHeader::SaveToStream(platform::Stream& stream, TGIFVersion version, int colorResolution)
{
    if (version != gv87a && version != gv89a)
        RaiseGIFError(gifstrings::sBadVersion);
    Prepare(colorResolution);
    stream.write("GIF", 3);
    stream.write(GIFVersions[version].data(), 3);
    stream.write(Descriptor.data(), Descriptor.size());
    if (Descriptor[4] & kGlobalTable)
        ColorMap.SaveToStream(stream);
}

TGIFVersion TGIFHeader::GetVersion() const
{
    return ColorMap.GetSorted() || Descriptor[6] != 0 ? gv89a : gv87a;
}

void TGIFHeader::Clear()
{
    ColorMap.Clear();
    Descriptor.fill(0);
}

void TGIFHeader::Assign(const TGIFHeader& source)
{
    ColorMap.Assign(source.ColorMap);
    Descriptor = source.Descriptor;
}

void TGIFHeader::Assign(const TGIFColorMap& source)
{
    Clear();
    ColorMap.Assign(source);
}

void TGIFHeader::SetBackgroundColorIndex(int index)
{
    if ((index < 0 || index >= ColorMap.GetCount()) && ColorMap.GetCount() > 0) {
        Warning(gsWarning, gifstrings::sBadColorIndex);
        index = 0;
    }
    Descriptor[5] = static_cast<std::uint8_t>(index);
}

void TGIFHeader::SetBackgroundColor(platform::Rgb color)
{
    SetBackgroundColorIndex(ColorMap.AddUnique(color));
}

void TGIFTrailer::LoadFromStream(platform::Stream& stream)
{
    const int byte = ReadOneByte(stream);
    if (byte >= 0 && byte != ';')
        Warning(gsWarning, gifstrings::sBadTrailer);
}

void TGIFTrailer::SaveToStream(platform::Stream& stream)
{
    WriteOneByte(stream, ';');
}
