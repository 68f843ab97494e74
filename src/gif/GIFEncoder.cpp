#include "gif/GIFEncoder.h"

#include "gif/GIFException.h"
#include "gif/GIFLZWDecoder.h"
#include "gif/GIFStreamOps.h"
#include "gif/GIFStrings.h"

#include <algorithm>
#include <cstring>
#include <new>

void TGIFWriter::WriteBlock()
{
    block_[0] = static_cast<std::uint8_t>(fill_ - 1);
    stream_.write(block_.data(), fill_);
    fill_ = 1;
}

void TGIFWriter::Flush()
{
    if (fill_ > 1)
        WriteBlock();
}

namespace {

std::uint8_t HighestIndex(const std::uint8_t* pixels, std::size_t count)
{
    std::uint8_t highest = 0;
    for (std::size_t i = 0; i < count; ++i)
        highest = std::max(highest, pixels[i]);
    return highest;
}

} // namespace

void TGIFEncoder::Encode(platform::Stream& stream, int bitsPerPixel, int colorCount, const std::uint8_t* data,
                         bool interlaced, int height, int width)
{
    if (bitsPerPixel < 0 || bitsPerPixel > 8)
        RaiseGIFError(gifstrings::sInvalidBitSize);
    minCodeSize_ = std::max(bitsPerPixel, 2);
    initialCodeSize_ = static_cast<unsigned>(minCodeSize_) + 1;
    codeSize_ = initialCodeSize_;
    clearCode_ = 1u << minCodeSize_;
    eofCode_ = clearCode_ + 1;

    const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
    const std::size_t h = height > 0 ? static_cast<std::size_t>(height) : 0;
    const std::size_t count = data ? w * h : 0;
    // An index at or above the clear code would be read back as a control code.
    const int limit = std::min(colorCount, static_cast<int>(clearCode_));
    if (count > 0 && HighestIndex(data, count) >= limit)
        RaiseGIFError(gifstrings::sInvalidColor);

    const std::uint8_t* pixels = data;
    std::vector<std::uint8_t> passOrder;
    if (count > 0 && interlaced && h > 1) {
        try {
            passOrder.resize(count);
        } catch (const std::bad_alloc&) {
            RaiseGIFError(gifstrings::sOutOfMemDIB);
        }
        std::uint8_t* to = passOrder.data();
        ForEachInterlacedRow(height, [&](int row) {
            std::memcpy(to, data + static_cast<std::size_t>(row) * w, w);
            to += w;
        });
        pixels = passOrder.data();
    }

    WriteOneByte(stream, static_cast<std::uint8_t>(minCodeSize_));
    TGIFWriter writer(stream);
    writer_ = &writer;
    bits_ = 0;
    bitCount_ = 0;
    if (count > 0)
        Compress(pixels, count);
    Output(eofCode_);
    if (bitCount_ > 0)
        writer.WriteByte(static_cast<std::uint8_t>(bits_));
    writer_ = nullptr;
    writer.Flush();
    WriteOneByte(stream, 0);
}

void TLZWEncoder::ClearTable()
{
    clearFlag_ = true;
    OutputCode(clearCode_);
    ++generation_;
    lastChild_.fill(0);
    nextFree_ = clearCode_ + 2;
}

// The width follows the decoder, which adds a string one code later than we do: a code is
// widened after the first output that finds the next free code past the current maximum.
void TLZWEncoder::OutputCode(unsigned code)
{
    Output(code);
    if (clearFlag_) {
        codeSize_ = initialCodeSize_;
        maxCode_ = (1u << codeSize_) - 1;
        clearFlag_ = false;
    } else if (nextFree_ > maxCode_) {
        ++codeSize_;
        maxCode_ = codeSize_ == 12 ? 4096 : (1u << codeSize_) - 1;
    }
}

void TLZWEncoder::Compress(const std::uint8_t* pixels, std::size_t count)
{
    const std::size_t stride = clearCode_;
    try {
        child_ = std::make_unique_for_overwrite<std::uint16_t[]>(4096 * stride);
        rowGeneration_.assign(4096, 0);
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
    generation_ = 0;
    nextFree_ = clearCode_ + 2;
    ClearTable();

    unsigned prefix = pixels[0];
    for (std::size_t i = 1; i < count; ++i) {
        const unsigned pixel = pixels[i];
        const unsigned guess = lastChild_[prefix];
        if (guess != 0 && suffix_[guess] == pixel) {
            prefix = guess;
            continue;
        }
        std::uint16_t* row = child_.get() + prefix * stride;
        const bool rowValid = rowGeneration_[prefix] == generation_;
        if (rowValid && row[pixel] != 0) {
            lastChild_[prefix] = row[pixel];
            prefix = row[pixel];
            continue;
        }
        OutputCode(prefix);
        if (nextFree_ > 4094) {
            ClearTable(); // before 4095, so that no decoder ever meets a full table
        } else {
            if (!rowValid) {
                std::fill_n(row, stride, std::uint16_t{0});
                rowGeneration_[prefix] = generation_;
            }
            row[pixel] = static_cast<std::uint16_t>(nextFree_);
            lastChild_[prefix] = static_cast<std::uint16_t>(nextFree_);
            suffix_[nextFree_++] = static_cast<std::uint8_t>(pixel);
        }
        prefix = pixel;
    }
    OutputCode(prefix);
}

std::unique_ptr<TGIFEncoder> MakeEncoder(TGIFCompression compression)
{
    if (compression == gcRLE)
        return std::make_unique<TRLEEncoder>();
    return std::make_unique<TLZWEncoder>();
}
