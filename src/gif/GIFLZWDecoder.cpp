#include "gif/GIFLZWDecoder.h"

#include "gif/GIFException.h"
#include "gif/GIFStrings.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr int kTableSize = 4096;

// The state of one decode. Strings are written straight into the output, last pixel
// first, by walking their prefix chain: every code's length is known, and every prefix
// is an older code, so the walk is bounded and cannot cycle.
class LZWDecoder {
public:
    LZWDecoder(platform::Stream& stream, const TGIFDecoderWarning& warning) : stream_(stream), warning_(warning) {}

    void decode(std::uint8_t* out, std::size_t total);

private:
    bool nextBlock();
    bool refill(unsigned bits);
    int readCode(unsigned bits)
    {
        if (bitCount_ < bits && !refill(bits))
            return -1;
        const int code = static_cast<int>(bitBuffer_ & ((1u << bits) - 1));
        bitBuffer_ >>= bits;
        bitCount_ -= bits;
        return code;
    }
    void skipToTerminator();
    void warn(std::string_view message) const
    {
        if (warning_)
            warning_(gsWarning, message);
    }

    platform::Stream& stream_;
    const TGIFDecoderWarning& warning_;

    std::uint8_t block_[256] = {};
    unsigned blockPos_ = 0;
    unsigned blockLength_ = 0;
    bool terminatorRead_ = false; // the zero-length sub-block has been consumed
    bool streamEnded_ = false;
    std::uint64_t bitBuffer_ = 0;
    unsigned bitCount_ = 0;

    std::uint16_t prefix_[kTableSize];
    std::uint16_t length_[kTableSize];
    std::uint8_t suffix_[kTableSize];
    std::uint8_t first_[kTableSize];
};

bool LZWDecoder::nextBlock()
{
    if (terminatorRead_ || streamEnded_)
        return false;
    // A stream that ends where a length byte is due ends the data without a word: a file
    // missing only its terminator and trailer is complete.
    const int length = stream_.readByte();
    if (length <= 0) {
        terminatorRead_ = length == 0;
        streamEnded_ = length < 0;
        return false;
    }
    blockLength_ = static_cast<unsigned>(stream_.read(block_, static_cast<std::size_t>(length)));
    blockPos_ = 0;
    if (blockLength_ < static_cast<unsigned>(length)) {
        // Only what is really there is decoded.
        streamEnded_ = true;
        warn(gifstrings::sOutOfData);
    }
    return blockLength_ > 0;
}

bool LZWDecoder::refill(unsigned bits)
{
    for (;;) {
        while (bitCount_ <= 56 && blockPos_ < blockLength_) {
            bitBuffer_ |= std::uint64_t{block_[blockPos_++]} << bitCount_;
            bitCount_ += 8;
        }
        if (bitCount_ >= bits)
            return true;
        if (!nextBlock()) {
            if (terminatorRead_)
                warn(gifstrings::sDecodeTooFewBits);
            return false;
        }
    }
}

void LZWDecoder::skipToTerminator()
{
    while (nextBlock())
        ;
}

// `out` holds `total` pixels in the order they arrive.
void LZWDecoder::decode(std::uint8_t* out, std::size_t total)
{
    const int minCodeSize = stream_.readByte();
    if (minCodeSize < 0)
        return;
    // 12 and above would make the clear code reach the table size; 0 leaves no room for
    // pixels at all. No writer produces either.
    if (minCodeSize < 1 || minCodeSize > 11)
        RaiseGIFError(gifstrings::sInvalidData);

    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    for (int i = 0; i < clearCode; ++i) {
        prefix_[i] = 0;
        length_[i] = 1;
        suffix_[i] = first_[i] = static_cast<std::uint8_t>(i);
    }
    unsigned codeSize = static_cast<unsigned>(minCodeSize) + 1;
    int nextFree = clearCode + 2;
    int codeLimit = 2 * clearCode;
    int oldCode = -1; // no string yet since the last clear

    std::size_t pos = 0;
    while (pos < total) {
        const int code = readCode(codeSize);
        if (code < 0)
            break;
        if (code == clearCode) {
            codeSize = static_cast<unsigned>(minCodeSize) + 1;
            nextFree = clearCode + 2;
            codeLimit = 2 * clearCode;
            oldCode = -1;
            continue;
        }
        if (code == endCode)
            break;
        if (oldCode < 0) {
            if (code > endCode) {
                warn(gifstrings::sInvalidData);
                break;
            }
            out[pos++] = static_cast<std::uint8_t>(code);
            oldCode = code;
            continue;
        }
        if (code > nextFree) {
            // A reference to a string that does not exist yet: the data is damaged.
            warn(gifstrings::sInvalidData);
            break;
        }
        if (nextFree < kTableSize) {
            // For a code not yet in the table (it is the one being added) the new string
            // is the previous one plus its own first pixel.
            prefix_[nextFree] = static_cast<std::uint16_t>(oldCode);
            suffix_[nextFree] = code < nextFree ? first_[code] : first_[oldCode];
            first_[nextFree] = first_[oldCode];
            length_[nextFree] = static_cast<std::uint16_t>(length_[oldCode] + 1);
            if (++nextFree >= codeLimit && codeLimit < kTableSize) {
                codeLimit *= 2;
                ++codeSize;
            }
        }
        oldCode = code;

        const std::size_t length = length_[code];
        int c = code;
        std::size_t end = pos + length;
        if (end > total) {
            // The string runs past the frame: only its beginning is kept.
            for (std::size_t drop = end - total; drop > 0; --drop)
                c = prefix_[c];
            end = total;
        }
        std::uint8_t* p = out + end - 1;
        while (p > out + pos) {
            *p-- = suffix_[c];
            c = prefix_[c];
        }
        *p = suffix_[c];
        pos = end;
    }
    skipToTerminator();
}

} // namespace

void DecompressLZW(platform::Stream& stream, std::uint8_t* pixels, int width, int height, bool interlaced,
                   const TGIFDecoderWarning& warning)
{
    const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
    const std::size_t h = height > 0 ? static_cast<std::size_t>(height) : 0;
    const auto decoder = std::make_unique<LZWDecoder>(stream, warning);
    if (!interlaced || h <= 1) {
        decoder->decode(pixels, w * h);
        return;
    }
    // Rows arrive in pass order: decode them in that order, then put each in its place.
    std::vector<std::uint8_t> arrived;
    try {
        arrived.assign(pixels, pixels + w * h);
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
    decoder->decode(arrived.data(), arrived.size());
    const std::uint8_t* from = arrived.data();
    ForEachInterlacedRow(height, [&](int row) {
        std::memcpy(pixels + static_cast<std::size_t>(row) * w, from, w);
        from += w;
    });
}
