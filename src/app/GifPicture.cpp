#include "app/GifPicture.h"

#include "gif/GIFQImage.h"
#include "platform/ui/PictureRegistry.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <mutex>

GifPicture::GifPicture(std::unique_ptr<TGIFImage> image)
    : image_(std::move(image)), sink_([this] { TriggerFrameChanged(); })
{
    image_->OnChange = [this](TGIFImage*) { TriggerFrameChanged(); };
}

QImage GifPicture::toImage() const
{
    return toQImage(image_->ComposeStill());
}

void GifPicture::draw(QPainter& painter, const QRect& rect)
{
    painter.fillRect(rect, QGuiApplication::palette().color(QPalette::Window));
    image_->Draw(painter, rect, &sink_);
}

std::unique_ptr<platform::Picture> ReadGifPicture(const std::string& fileName, const GifLimits& limits)
{
    auto image = std::make_unique<TGIFImage>();
    image->Limits = limits;
    try {
        image->LoadFromFile(fileName);
    } catch (const GIFException& e) {
        throw GIFException("Cannot read picture \"" + fileName + "\": " + e.what());
    }
    return std::make_unique<GifPicture>(std::move(image));
}

namespace {

// The thread object GIF pictures keep from their registration to the program's end, made
// suspended and never started: no system thread is ever made for it, and its body would do
// nothing.
class TDummyThread final {};

} // namespace

void registerGifFormat()
{
    static std::once_flag registered;
    static std::unique_ptr<TDummyThread> dummyThread;
    std::call_once(registered, [] {
        dummyThread = std::make_unique<TDummyThread>();
        platform::RegisterPictureFormat("gif", std::string(gifstrings::sGIFImageFile),
                                        [](const std::string& fileName) { return ReadGifPicture(fileName); });
    });
}
