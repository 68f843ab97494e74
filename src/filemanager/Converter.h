#pragma once

#include "platform/graphics/Stream.h"

#include <cstddef>
#include <cstdint>

class TitleBar;

// Turns a file into the text the viewer shows, one block per call: each call reads the
// next bytes of the stream, writes the block's text to the start of `buffer` and answers
// its length; 0 ends the load. The plain conversion hands the bytes on unchanged.
class TConversion {
public:
    virtual ~TConversion() = default;
    virtual std::size_t ConvertReadStream(platform::Stream& stream, char* buffer, std::size_t bufSize);
};

// The byte a control byte (below 32) is shown as in hex and binary pages, so that no byte
// of the file can break or tab a line there.
constexpr unsigned char controlByteMark = 129;

// The page conversions report each block's stream position to the main window's caption.
class TPageConversion : public TConversion {
public:
    explicit TPageConversion(TitleBar* titleBar) : titleBar_(titleBar) {}

protected:
    void ReportPosition(const platform::Stream& stream) const;

private:
    TitleBar* titleBar_;
};

// Hex pages: 20 lines of 16 bytes per block, each "%.8X  " offset, "%.2X " bytes with a
// further blank after the 8th and the 16th, then the bytes as characters and a line feed;
// a short last line is padded so that its character column lines up. 77 characters a line
// while offsets have 8 digits; offsets are 64-bit and simply grow longer past 4 GiB.
class THexConversion : public TPageConversion {
public:
    using TPageConversion::TPageConversion;
    static constexpr std::size_t minBuffer = 1700; // a buffer must be larger than this
    static constexpr std::size_t blockBytes = 320;
    static constexpr std::size_t lineBytes = 16;
    std::size_t ConvertReadStream(platform::Stream& stream, char* buffer, std::size_t bufSize) override;
};

// Binary pages: 25 lines of 75 bytes per block, the bytes as characters and a line feed.
class TBinConversion : public TPageConversion {
public:
    using TPageConversion::TPageConversion;
    static constexpr std::size_t minBuffer = 1925; // a buffer must be larger than this
    static constexpr std::size_t blockBytes = 1875;
    static constexpr std::size_t lineBytes = 75;
    std::size_t ConvertReadStream(platform::Stream& stream, char* buffer, std::size_t bufSize) override;
};
