#include "gif/GIFLZWDecoder.h"

#include "gif/GIFException.h"
#include "gif/GIFPixels.h"
#include "gif/GIFStrings.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr int kTableSize = 4096;

// The state of one decode. A string the table holds is written once into the output, as
// the previous code's string and the first pixel after it, and never changed: every later
// use of its code copies it from there. A frame has fewer than 2^32 pixels.
class LZWDecoder {
public:
    LZWDecoder(platform::Stream& stream, const TGIFDecoderWarning& warning) : stream_(stream), warning_(warning) {}

    std::size_t decode(std::uint8_t* out, std::size_t total, std::uint8_t fill);
    // The highest literal decoded: every pixel written is one of them.
    int highest() const { return highest_; }

private:
    bool nextBlock();
    bool refill(unsigned bits);
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
    int highest_ = -1;

    std::uint32_t offset_[kTableSize]; // where the output holds the code's string
    std::uint16_t length_[kTableSize];
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
        if (std::endian::native == std::endian::little && blockPos_ + 8 <= blockLength_) {
            // As many whole bytes as the buffer takes, in one load.
            std::uint64_t word;
            std::memcpy(&word, block_ + blockPos_, 8);
            const unsigned take = (63 - bitCount_) / 8;
            bitBuffer_ |= (word & ((std::uint64_t{1} << (8 * take)) - 1)) << bitCount_;
            blockPos_ += take;
            bitCount_ += 8 * take;
        }
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

// `out` holds `total` pixels in the order they arrive, `fill` where the data does not reach.
// Returns how many pixels the data gave.
std::size_t LZWDecoder::decode(std::uint8_t* out, std::size_t total, std::uint8_t fill)
{
    const int minCodeSize = stream_.readByte();
    if (minCodeSize < 0)
        return 0;
    // 12 and above would make the clear code reach the table size; 0 leaves no room for
    // pixels at all. No writer produces either.
    if (minCodeSize < 1 || minCodeSize > 11)
        RaiseGIFError(gifstrings::sInvalidData);

    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    unsigned codeSize = static_cast<unsigned>(minCodeSize) + 1;
    int nextFree = clearCode + 2;
    int codeLimit = 2 * clearCode;
    int oldCode = -1; // no string yet since the last clear
    std::size_t oldPos = 0; // where the previous code's string begins
    unsigned oldLength = 0;

    std::size_t pos = 0;
    while (pos < total) {
        if (bitCount_ < codeSize && !refill(codeSize))
            break;
        const int code = static_cast<int>(bitBuffer_ & static_cast<unsigned>(codeLimit - 1));
        bitBuffer_ >>= codeSize;
        bitCount_ -= codeSize;
        if (code == clearCode) {
            codeSize = static_cast<unsigned>(minCodeSize) + 1;
            nextFree = clearCode + 2;
            codeLimit = 2 * clearCode;
            oldCode = -1;
            continue;
        }
        if (code == endCode)
            break;
        // A code not yet in the table is the one being added: the previous string plus its
        // own first pixel, which overlaps where it is written.
        bool adding = false;
        if (oldCode >= 0) {
            if (code > nextFree) {
                // A reference to a string that does not exist yet: the data is damaged.
                warn(gifstrings::sInvalidData);
                break;
            }
            adding = code == nextFree;
            // The previous string plus this code's first pixel, which lands right after it.
            if (nextFree < kTableSize) {
                offset_[nextFree] = static_cast<std::uint32_t>(oldPos);
                length_[nextFree] = static_cast<std::uint16_t>(oldLength + 1);
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
            oldLength = 1;
            highest_ = std::max(highest_, code);
            continue;
        }
        oldLength = length_[code];
        const std::uint8_t* from = out + offset_[code];
        std::uint8_t* to = out + pos;
        const std::size_t room = total - pos;
        if (!adding && oldLength <= 16 && room >= 16) {
            // Short strings, the most, in one copy of 16 bytes: what lies beyond is written
            // over by the next code.
            std::uint8_t block[16];
            std::memcpy(block, from, 16);
            std::memcpy(to, block, 16);
            pos += oldLength;
            continue;
        }
        // A string that runs past the frame keeps only its beginning.
        const std::size_t length = std::min<std::size_t>(oldLength, room);
        const std::size_t head = adding ? std::min<std::size_t>(length, oldLength - 1u) : length;
        std::memcpy(to, from, head);
        if (head < length)
            *(to + head) = *from;
        pos += length;
    }
    // The last short string's copy may have run past the data.
    if (pos < total)
        std::memset(out + pos, fill, std::min<std::size_t>(15, total - pos));
    skipToTerminator();
    return pos;
}

} // namespace

TGIFDecoded DecompressLZW(platform::Stream& stream, std::uint8_t* pixels, int width, int height, bool interlaced,
                          std::uint8_t fill, const TGIFDecoderWarning& warning)
{
    const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
    const std::size_t h = height > 0 ? static_cast<std::size_t>(height) : 0;
    const auto decoder = std::make_unique<LZWDecoder>(stream, warning);
    // Told from what was decoded, never by reading the frame: a scan would touch every page
    // of memory the data left alone.
    const auto decoded = [&](std::size_t reached) {
        TGIFDecoded result;
        result.rows = w == 0 ? 0 : static_cast<int>((reached + w - 1) / w);
        result.highest = decoder->highest();
        if (reached < w * h)
            result.highest = std::max<int>(result.highest, fill);
        return result;
    };
    if (!interlaced || h <= 1)
        return decoded(decoder->decode(pixels, w * h, fill));
    // Rows arrive in pass order: decode them in that order into untouched memory, then put
    // in its place only what the data reached, so pages of a huge frame stay untouched.
    TGIFPixels arrived;
    try {
        arrived = TGIFPixels(w * h);
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
    const std::size_t reached = decoder->decode(arrived.data(), arrived.size(), fill);
    std::size_t left = reached;
    const std::uint8_t* from = arrived.data();
    ForEachInterlacedRow(height, [&](int row) {
        const std::size_t count = std::min(w, left);
        std::memcpy(pixels + static_cast<std::size_t>(row) * w, from, count);
        from += count;
        left -= count;
    });
    return decoded(reached);
}
