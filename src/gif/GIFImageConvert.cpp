// Pictures of other formats made into frames.

#include "gif/GIFDrawingImport.h"
#include "gif/GIFImage.h"
#include "platform/graphics/Picture.h"

#include <QImage>

namespace {

// The GIF picture a picture of the loader's holds, if it holds one.
const TGIFImage* HeldGIFImage(const platform::Picture& graphic)
{
    const auto* holder = dynamic_cast<const TGIFImageHolder*>(&graphic);
    return holder ? &holder->GetGIFImage() : nullptr;
}

} // namespace

int TGIFImage::AddConverted(const QImage& image)
{
    if (image.isNull())
        RaiseGIFError(gifstrings::sUnsupportedClass);
    // Converting sizes the frame, which grows the screen before the pixels are done.
    const int width = GetWidth();
    const int height = GetHeight();
    auto frame = std::make_unique<TGIFSubImage>(this);
    try {
        frame->Assign(image);
    } catch (...) {
        Header.SetWidth(width);
        Header.SetHeight(height);
        throw;
    }
    return Add(std::move(frame));
}

int TGIFImage::Add(const platform::Picture& graphic)
{
    return AddConverted(FrameImageOf(graphic));
}

void TGIFImage::AssignConverted(const QImage& image)
{
    // Refused before the frames go, so a refused picture leaves them all.
    if (image.isNull())
        RaiseGIFError(gifstrings::sUnsupportedClass);
    Clear();
    AddConverted(image);
}

void TGIFImage::Assign(const platform::Picture& graphic)
{
    // An animation stays one: its still picture would be only the first frame.
    if (const TGIFImage* gif = HeldGIFImage(graphic))
        return Assign(gif);
    AssignConverted(FrameImageOf(graphic));
}
