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

// The state of one decode. A string the table holds is written once into the output, as
// the previous code's string and the first pixel after it, and never changed: every later
// use of its code copies it from there. A frame has fewer than 2^32 pixels.
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

    std::uint32_t offset_[kTableSize]; // where the output holds the code's string
    std::uint16_t length_[kTableSize];
};

// `count` bytes from `from` to `to`, which lies after them; bytes up to `to` + 16 may be
// overwritten when `room` allows.
inline void CopyString(std::uint8_t* to, const std::uint8_t* from, std::size_t count, std::size_t room)
{
    if (count <= 16 && room >= 16 && static_cast<std::size_t>(to - from) >= count) {
        std::uint8_t block[16];
        std::memcpy(block, from, 16);
        std::memcpy(to, block, 16);
        return;
    }
    std::memmove(to, from, count);
}

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
    for (int i = 0; i < clearCode; ++i)
        length_[i] = 1;
    unsigned codeSize = static_cast<unsigned>(minCodeSize) + 1;
    int nextFree = clearCode + 2;
    int codeLimit = 2 * clearCode;
    int oldCode = -1; // no string yet since the last clear
    std::size_t oldPos = 0; // where the previous code's string begins

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
        if (oldCode >= 0) {
            if (code > nextFree) {
                // A reference to a string that does not exist yet: the data is damaged.
                warn(gifstrings::sInvalidData);
                break;
            }
            // The previous string plus this code's first pixel, which lands right after it;
            // for a code not yet in the table (it is the one being added) that pixel is the
            // previous string's own first one.
            if (nextFree < kTableSize) {
                offset_[nextFree] = static_cast<std::uint32_t>(oldPos);
                length_[nextFree] = static_cast<std::uint16_t>(length_[oldCode] + 1);
                if (++nextFree >= codeLimit && codeLimit < kTableSize) {
                    codeLimit *= 2;
                    ++codeSize;
                }
            }
        } else if (code > endCode) {
            warn(gifstrings::sInvalidData);
            break;
        }
        oldCode = code;
        oldPos = pos;
        if (code < clearCode) {
            out[pos++] = static_cast<std::uint8_t>(code);
            continue;
        }
        // A string that runs past the frame keeps only its beginning.
        const std::size_t room = total - pos;
        const std::size_t length = std::min<std::size_t>(length_[code], room);
        const std::uint8_t* from = out + offset_[code];
        if (std::size_t{offset_[code]} + length_[code] > pos) {
            // The string just added ends with the pixel it is about to write: its first.
            const std::size_t head = std::min<std::size_t>(length, length_[code] - 1u);
            CopyString(out + pos, from, head, room);
            if (head < length)
                out[pos + head] = *from;
        } else {
            CopyString(out + pos, from, length, room);
        }
        pos += length;
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
