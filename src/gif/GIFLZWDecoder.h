#pragma once

#include "gif/GIFTypes.h"
#include "platform/graphics/Stream.h"

#include <cstdint>
#include <functional>
#include <string_view>

using TGIFDecoderWarning = std::function<void(TGIFSeverity severity, std::string_view message)>;

// What a frame's image data gave.
struct TGIFDecoded {
    // Rows that hold a pixel of the data, counted in the order rows arrive (interlaced
    // rows in pass order); the others hold only the fill.
    int rows = 0;
    // The highest colour index the frame holds, the fill's included when the data fell
    // short; -1 for a frame of no pixels.
    int highest = -1;
};

// Decodes one frame's image data (the minimum code size byte and the data sub-blocks) into
// `pixels`, width x height colour indices in rows top to bottom, undoing interlacing.
// `pixels` holds `fill` everywhere when called; pixels the data does not reach keep it, and are
// neither read nor written. Afterwards the stream stands after the data's zero terminator (or
// at its end when there is none).
// A minimum code size outside 1..11 raises "Invalid GIF data"; damaged or short data ends
// the frame with a warning and keeps what was decoded.
TGIFDecoded DecompressLZW(platform::Stream& stream, std::uint8_t* pixels, int width, int height, bool interlaced,
                          std::uint8_t fill, const TGIFDecoderWarning& warning);

// The order in which an interlaced frame's rows arrive: 0, 8, 16, ...; 4, 12, ...;
// 2, 6, 10, ...; 1, 3, 5, ... Calls visit(row) height times.
template <class Visit>
void ForEachInterlacedRow(int height, Visit&& visit)
{
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int row = kStart[pass]; row < height; row += kStep[pass])
            visit(row);
}

// The place of `row` (0..height - 1) in that order.
constexpr int InterlacedRowRank(int row, int height)
{
    const int first = (height + 7) / 8; // rows 0, 8, 16, ...
    const int second = (height + 3) / 8; // rows 4, 12, ...
    const int third = (height + 1) / 4; // rows 2, 6, 10, ...
    if (row % 8 == 0)
        return row / 8;
    if (row % 8 == 4)
        return first + row / 8;
    if (row % 4 == 2)
        return first + second + row / 4;
    return first + second + third + row / 2;
}
