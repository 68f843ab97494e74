#include "gif/GIFEncoder.h"

#include <algorithm>
#include <cmath>

namespace {

// The largest k with k (k + 1) / 2 <= n.
std::uint64_t TriangularRoot(std::uint64_t n)
{
    auto k = static_cast<std::uint64_t>((std::sqrt(8.0 * static_cast<double>(n) + 1.0) - 1.0) / 2.0);
    while (k * (k + 1) / 2 > n)
        --k;
    while ((k + 1) * (k + 2) / 2 <= n)
        ++k;
    return k;
}

// Codes for `length` pixels sent as the longest held run `held`, then runs one pixel longer
// each, then the rest as one held run.
std::uint64_t RunCodeCount(std::uint64_t length, std::uint64_t held)
{
    if (length <= held)
        return 1;
    // held + (held + 1) + ... + longest is a difference of triangular numbers.
    const std::uint64_t before = held * (held - 1) / 2;
    const std::uint64_t longest = TriangularRoot(length + before);
    const std::uint64_t rest = length + before - longest * (longest + 1) / 2;
    return longest - held + 1 + (rest > 0 ? 1 : 0);
}

} // namespace

void TRLEEncoder::Compress(const std::uint8_t* pixels, std::size_t count)
{
    // A table that keeps growing costs wider codes: the plan is counted first and kept
    // only where it beats a code a pixel.
    Pass(pixels, count, true, true);
    const std::uint64_t withRuns = countedBits_;
    Pass(pixels, count, false, true);
    Pass(pixels, count, withRuns <= countedBits_, false);
}

void TRLEEncoder::Pass(const std::uint8_t* pixels, std::size_t count, bool runCodes, bool counting)
{
    runCodesAllowed_ = runCodes;
    counting_ = counting;
    countedBits_ = 0;
    // With 2 or 3 bits a pixel, a clear every few codes would cost more than wider codes.
    normalClearAt_ = minCodeSize_ > 3 ? clearCode_ - 2 : 9;
    runClearAt_ = 4095 - (clearCode_ + 2);
    clearAt_ = normalClearAt_;
    codeSize_ = initialCodeSize_;
    ClearTable();
    for (std::size_t i = 0; i < count;) {
        const std::uint8_t pixel = pixels[i];
        const std::size_t start = i;
        while (++i < count && pixels[i] == pixel) {
        }
        SendRun(pixel, i - start);
    }
}

void TRLEEncoder::ClearTable()
{
    if (counting_)
        countedBits_ += codeSize_;
    else
        Output(clearCode_);
    codeSize_ = initialCodeSize_;
    sent_ = 0;
    bumpAt_ = clearCode_ - 1;
    for (const std::uint8_t pixel : pixelsWithRuns_)
        runCodes_[pixel].clear();
    pixelsWithRuns_.clear();
    lastPixel_ = -1;
    lastLength_ = 0;
}

void TRLEEncoder::SendRun(unsigned pixel, std::size_t length)
{
    while (length > 0) {
        if (runCodesAllowed_ && length > 1 && PreferRunCodes(pixel, length)) {
            clearAt_ = runClearAt_;
            length -= SendRunCodes(pixel, length);
            continue;
        }
        clearAt_ = normalClearAt_;
        for (; length > 0; --length) {
            if (sent_ >= clearAt_)
                ClearTable();
            Emit(pixel, 1);
        }
    }
}

bool TRLEEncoder::PreferRunCodes(unsigned pixel, std::size_t length) const
{
    // Single codes start with a clear once the table has grown past its usual size.
    const bool clearFirst = sent_ >= normalClearAt_;
    const std::uint64_t singles =
        clearFirst ? codeSize_ + std::uint64_t{initialCodeSize_} * length : std::uint64_t{codeSize_} * length;
    const bool full = sent_ >= runClearAt_;
    const std::uint64_t runs = (RunCodeCount(length, full ? 1 : Held(pixel)) + (full ? 1 : 0)) * codeSize_;
    return runs < singles;
}

std::size_t TRLEEncoder::SendRunCodes(unsigned pixel, std::size_t length)
{
    if (sent_ >= clearAt_)
        ClearTable();
    unsigned run = static_cast<unsigned>(std::min<std::size_t>(Held(pixel), length));
    Emit(pixel, run);
    std::size_t done = run;
    // The code after a run of n is read as that run plus its own first pixel: n + 1.
    while (length - done > run && sent_ < clearAt_) {
        Emit(pixel, ++run);
        done += run;
    }
    if (done < length && sent_ < clearAt_) {
        Emit(pixel, static_cast<unsigned>(length - done));
        done = length;
    }
    return done;
}

void TRLEEncoder::Emit(unsigned pixel, unsigned length)
{
    // The decoder adds the previous code's string plus this code's first pixel: after the
    // longest run of this pixel it holds, a run one pixel longer.
    if (sent_ > 0 && lastPixel_ == static_cast<int>(pixel) && lastLength_ == Held(pixel)) {
        auto& runs = runCodes_[pixel];
        if (runs.empty())
            pixelsWithRuns_.push_back(static_cast<std::uint8_t>(pixel));
        runs.push_back(static_cast<std::uint16_t>(clearCode_ + 1 + sent_));
    }
    const unsigned code = length == 1 ? pixel : runCodes_[pixel][length - 2];
    if (counting_)
        countedBits_ += codeSize_;
    else
        Output(code);
    // The decoder widens its codes once its next free entry needs another bit.
    if (++sent_ >= bumpAt_ && codeSize_ < 12) {
        bumpAt_ += 1u << codeSize_;
        ++codeSize_;
    }
    lastPixel_ = static_cast<int>(pixel);
    lastLength_ = length;
}
