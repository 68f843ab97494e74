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

// Run-length coding in codes every LZW decoder reads (GIFRLEEncoder.cpp): a run goes out
// as single pixel codes, or as codes of growing run lengths that the decoder's table builds
// one from the other, continuing the runs of that pixel the table already holds. A frame
// that such codes would make larger goes out as single pixel codes only.
class TRLEEncoder final : public TGIFEncoder {
protected:
    void Compress(const std::uint8_t* pixels, std::size_t count) override;

private:
    // One pass over the frame: counted only (nothing written) or written.
    void Pass(const std::uint8_t* pixels, std::size_t count, bool runCodes, bool counting);
    void ClearTable();
    void SendRun(unsigned pixel, std::size_t length);
    // Whether `length` pixels are cheaper in run codes than in single codes.
    bool PreferRunCodes(unsigned pixel, std::size_t length) const;
    // Sends the run, or its beginning until the table is full; answers the pixels sent.
    std::size_t SendRunCodes(unsigned pixel, std::size_t length);
    // The code of `pixel` repeated `length` times, which the decoder holds (or, for one
    // more than the longest it holds right after that run, is about to make).
    void Emit(unsigned pixel, unsigned length);
    // The longest run of `pixel` the decoder's table holds.
    unsigned Held(unsigned pixel) const { return 1 + static_cast<unsigned>(runCodes_[pixel].size()); }

    bool runCodesAllowed_ = true;
    bool counting_ = false;
    std::uint64_t countedBits_ = 0;
    unsigned sent_ = 0; // codes since the last clear
    unsigned bumpAt_ = 0; // the count at which the decoder widens its codes
    unsigned clearAt_ = 0; // the count at which a clear comes before the next code
    unsigned normalClearAt_ = 0;
    unsigned runClearAt_ = 0; // while runs are sent as run codes: when the table is full
    int lastPixel_ = -1; // the run the last code stood for, none right after a clear
    unsigned lastLength_ = 0;
    // runCodes_[p][k] is the code of k + 2 pixels p in the decoder's table.
    std::array<std::vector<std::uint16_t>, 256> runCodes_;
    std::vector<std::uint8_t> pixelsWithRuns_;
};

std::unique_ptr<TGIFEncoder> MakeEncoder(TGIFCompression compression);
