#pragma once

// The writing side of the image data: one frame's colour indices as a minimum code size
// byte, variable-length codes packed into data sub-blocks, and the zero terminator.

#include "gif/GIFTypes.h"
#include "platform/graphics/Stream.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Packs bytes into data sub-blocks: a full block of 255 bytes goes out as soon as it is
// full, the shorter rest only at Flush. Nothing is written on destruction, so a save that
// failed half-way adds no block after the error.
class TGIFWriter {
public:
    explicit TGIFWriter(platform::Stream& stream) : stream_(stream) {}

    void WriteByte(std::uint8_t byte)
    {
        block_[fill_++] = byte;
        if (fill_ == block_.size())
            WriteBlock();
    }
    void Flush();

private:
    void WriteBlock();

    platform::Stream& stream_;
    std::array<std::uint8_t, 256> block_{}; // the length byte, then up to 255 data bytes
    std::size_t fill_ = 1;
};

// What both encoders share: the code parameters, the bit packer (least significant bit
// first) and the frame's pixel order.
class TGIFEncoder {
public:
    virtual ~TGIFEncoder() = default;

    // Writes `width` x `height` indices (rows top to bottom) as one frame's image data,
    // interlaced rows in pass order. Every index must lie below `colorCount` and below
    // 2^bitsPerPixel, else "Color not in color table" is raised before anything is written.
    void Encode(platform::Stream& stream, int bitsPerPixel, int colorCount, const std::uint8_t* data, bool interlaced,
                int height, int width);

protected:
    // Codes for `count` pixels in file order; the end code follows from Encode.
    virtual void Compress(const std::uint8_t* pixels, std::size_t count) = 0;

    void Output(unsigned code)
    {
        bits_ |= std::uint32_t{code} << bitCount_;
        bitCount_ += codeSize_;
        while (bitCount_ >= 8) {
            writer_->WriteByte(static_cast<std::uint8_t>(bits_));
            bits_ >>= 8;
            bitCount_ -= 8;
        }
    }

    int minCodeSize_ = 0;
    unsigned initialCodeSize_ = 0;
    unsigned codeSize_ = 0;
    unsigned clearCode_ = 0;
    unsigned eofCode_ = 0;

private:
    TGIFWriter* writer_ = nullptr;
    std::uint32_t bits_ = 0;
    unsigned bitCount_ = 0;
};

// Lempel-Ziv-Welch with the table growing to 4095 entries and a clear when it is full.
class TLZWEncoder final : public TGIFEncoder {
protected:
    void Compress(const std::uint8_t* pixels, std::size_t count) override;

private:
    void ClearTable();
    void OutputCode(unsigned code);

    unsigned nextFree_ = 0;
    unsigned maxCode_ = 0;
    bool clearFlag_ = false;
    // The string table: child_[prefix << minCodeSize | pixel] is the code of prefix + pixel,
    // 0 for none. A row is valid only when its generation is the current one, so a clear
    // costs nothing and a row is wiped only when it first gains a string.
    std::unique_ptr<std::uint16_t[]> child_;
    std::vector<std::uint32_t> rowGeneration_;
    std::uint32_t generation_ = 0;
    // In front of it, small enough to stay in the first-level cache: for every code the
    // child met last (0 for none since the clear), and every code's last pixel. Flat and
    // repetitive pictures mostly find the next string here.
    std::array<std::uint16_t, 4096> lastChild_{};
    std::array<std::uint8_t, 4096> suffix_{};
};

// Literal codes only, with a clear before the decoder's table would need a wider code:
// the code size never grows. Larger than LZW, but trivially decodable everywhere.
class TRLEEncoder final : public TGIFEncoder {
protected:
    void Compress(const std::uint8_t* pixels, std::size_t count) override;
};

std::unique_ptr<TGIFEncoder> MakeEncoder(TGIFCompression compression);
