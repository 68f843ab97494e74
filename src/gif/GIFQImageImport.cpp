#include "gif/GIFException.h"
#include "gif/GIFQImage.h"
#include "gif/GIFStrings.h"

#include <cstring>
#include <new>
#include <optional>

using platform::Bitmap;
using platform::PixelFormat;

namespace {

constexpr int kOpaqueAlpha = 128;

// Marks the transparent pixels of an image, made at the first one.
class MaskBuilder {
public:
    MaskBuilder(Bitmap* target, int width, int height) : target_(target), width_(width), height_(height) {}

    void set(int x, int y)
    {
        if (!target_)
            return;
        if (!mask_)
            mask_.emplace(width_, height_, PixelFormat::Indexed1);
        mask_->setPixelIndex(x, y, 1);
    }

    void finish()
    {
        if (target_)
            *target_ = mask_ ? std::move(*mask_) : Bitmap();
    }

private:
    Bitmap* target_;
    int width_;
    int height_;
    std::optional<Bitmap> mask_;
};

Bitmap FromIndexed(const QImage& image, MaskBuilder& mask)
{
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
    const QList<QRgb> table = indexed.colorTable();
    Bitmap bitmap(indexed.width(), indexed.height(), PixelFormat::Indexed8);
    bool clear[256] = {};
    for (qsizetype i = 0; i < table.size() && i < 256; ++i) {
        const QRgb entry = table[i];
        bitmap.palette.push_back({static_cast<std::uint8_t>(qRed(entry)), static_cast<std::uint8_t>(qGreen(entry)),
                                  static_cast<std::uint8_t>(qBlue(entry))});
        clear[i] = qAlpha(entry) < kOpaqueAlpha;
    }
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* in = indexed.constScanLine(y);
        std::memcpy(bitmap.scanLine(y), in, static_cast<std::size_t>(indexed.width()));
        for (int x = 0; x < indexed.width(); ++x)
            if (clear[in[x]])
                mask.set(x, y);
    }
    return bitmap;
}

Bitmap FromGrey(const QImage& image)
{
    Bitmap bitmap(image.width(), image.height(), PixelFormat::Indexed8);
    for (int level = 0; level < 256; ++level) {
        const auto grey = static_cast<std::uint8_t>(level);
        bitmap.palette.push_back({grey, grey, grey});
    }
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(bitmap.scanLine(y), image.constScanLine(y), static_cast<std::size_t>(image.width()));
    return bitmap;
}

Bitmap FromTrueColor(const QImage& image, MaskBuilder& mask)
{
    Bitmap bitmap(image.width(), image.height(), PixelFormat::Rgb24);
    if (!image.hasAlphaChannel()) {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        for (int y = 0; y < rgb.height(); ++y)
            std::memcpy(bitmap.scanLine(y), rgb.constScanLine(y), static_cast<std::size_t>(rgb.width()) * 3);
        return bitmap;
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        std::uint8_t* out = bitmap.scanLine(y);
        for (int x = 0; x < argb.width(); ++x, out += 3) {
            out[0] = static_cast<std::uint8_t>(qRed(in[x]));
            out[1] = static_cast<std::uint8_t>(qGreen(in[x]));
            out[2] = static_cast<std::uint8_t>(qBlue(in[x]));
            if (qAlpha(in[x]) < kOpaqueAlpha)
                mask.set(x, y);
        }
    }
    return bitmap;
}

} // namespace

Bitmap fromQImage(const QImage& image, Bitmap* mask)
{
    MaskBuilder transparent(mask, image.width(), image.height());
    if (image.isNull()) {
        transparent.finish();
        return Bitmap();
    }
    try {
        Bitmap bitmap;
        switch (image.format()) {
        case QImage::Format_Mono:
        case QImage::Format_MonoLSB:
        case QImage::Format_Indexed8: bitmap = FromIndexed(image, transparent); break;
        case QImage::Format_Grayscale8: bitmap = FromGrey(image); break;
        default: bitmap = FromTrueColor(image, transparent); break;
        }
        transparent.finish();
        return bitmap;
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
}
