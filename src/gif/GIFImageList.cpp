#include "gif/GIFImageList.h"

#include "gif/GIFImage.h"
#include "gif/GIFStreamOps.h"
#include "gif/GIFStrings.h"

namespace {

// The next byte that is not a zero pad, or -1 at the end.
int NextBlockByte(platform::Stream& stream)
{
    int byte = ReadOneByte(stream);
    while (byte == 0)
        byte = ReadOneByte(stream);
    return byte;
}

} // namespace

void TGIFImageList::LoadFromStream(platform::Stream& stream, TGIFImage* parent)
{
    int byte = NextBlockByte(stream);
    if (byte < 0)
        return; // the trailer then finds nothing and says nothing
    while (byte != ';') {
        stream.seek(-1);
        if (byte != '!' && byte != ',') {
            Warning(gsWarning, gifstrings::sBadBlock);
            break;
        }
        parent->CountLoadedFrame();
        auto frame = std::make_unique<TGIFSubImage>(parent);
        frame->LoadFromStream(stream);
        Add(std::move(frame));
        const std::int64_t size = stream.size();
        const int percent = size > 0 ? static_cast<int>(stream.position() * 100 / size) : 100;
        parent->Progress(parent, psRunning, percent, GIFSettings().RenderOnLoad, gifstrings::sProgressLoading);
        byte = NextBlockByte(stream);
        if (byte < 0)
            return;
    }
    // One step back more than the byte just read: at ';' the trailer reads it again;
    // after a stray byte it reads the byte before it, and warns unless that is ';'.
    stream.seek(-1);
}

void TGIFImageList::SaveToStream(platform::Stream& stream) const
{
    const int count = GetCount();
    for (int index = 0; index < count; ++index) {
        GetImage(index)->SaveToStream(stream);
        if (Image)
            Image->Progress(Image, psRunning, (index + 1) * 100 / count, false, gifstrings::sProgressSaving);
    }
}
