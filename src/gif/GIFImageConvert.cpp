// Pictures of other formats made into frames.

#include "gif/GIFDrawingImport.h"
#include "gif/GIFImage.h"
#include "platform/graphics/Picture.h"

#include <QImage>

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
    AssignConverted(FrameImageOf(graphic));
}
