#include "gif/GIFDIB.h"

#include "gif/GIFException.h"
#include "gif/GIFStrings.h"

#include <new>
#include <stdexcept>

using platform::PixelFormat;

TDIBReader::TDIBReader(const platform::Bitmap& bitmap, PixelFormat format) : source_(&bitmap)
{
    if (format == PixelFormat::Argb32)
        RaiseGIFError(gifstrings::sInvalidPixelFormat);
    if (bitmap.format() == format)
        return;
    try {
        converted_ = bitmap.convertedTo(format);
    } catch (const std::invalid_argument&) {
        RaiseGIFError(gifstrings::sInvalidPixelFormat);
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
    source_ = &converted_;
}

const std::uint8_t* TDIBReader::ScanLine(int row) const
{
    if (row < 0 || row >= source_->height())
        RaiseGIFError(gifstrings::sScanLineRange);
    return source_->scanLine(row);
}

TDIBWriter::TDIBWriter(platform::Bitmap& target, std::span<const platform::Rgb> palette, int height, int width,
                       PixelFormat format)
    : target_(target), palette_(palette.begin(), palette.end()), height_(height), width_(width), format_(format)
{
    if (format != PixelFormat::Indexed8 && format != PixelFormat::Rgb24)
        RaiseGIFError(gifstrings::sInvalidPixelFormat);
    if (width <= 0 || height <= 0)
        RaiseGIFError(gifstrings::sBadDimension);
    if (format == PixelFormat::Indexed8)
        palette_.resize(256);
    else
        palette_.clear();
}

std::uint8_t* TDIBWriter::ScanLine(int row)
{
    if (finished_)
        RaiseGIFError(gifstrings::sNoDIB);
    if (row < 0 || row >= height_)
        RaiseGIFError(gifstrings::sScanLineRange);
    if (building_.isNull()) {
        try {
            building_ = platform::Bitmap(width_, height_, format_);
        } catch (const std::bad_alloc&) {
            RaiseGIFError(gifstrings::sOutOfMemDIB);
        }
        building_.palette = palette_;
    }
    return building_.scanLine(row);
}

void TDIBWriter::Finish()
{
    if (building_.isNull() || finished_)
        RaiseGIFError(gifstrings::sNoDIB);
    target_ = std::move(building_);
    finished_ = true;
}
