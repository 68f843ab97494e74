#pragma once

#include "gif/GIFColorLookup.h"
#include "gif/GIFSettings.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Turns true-colour pixels into palette indices through a lookup, one row after another.
// Rows are walked alternately left to right (the first) and right to left: the caller
// visits the columns from Column, stepping by Direction while Column lies in 0..Width - 1,
// and calls NextLine after each row. This engine itself takes the nearest colour.
class TDitherEngine {
public:
    TDitherEngine(int width, TColorLookup& lookup);
    TDitherEngine(const TDitherEngine&) = delete;
    TDitherEngine& operator=(const TDitherEngine&) = delete;
    virtual ~TDitherEngine() = default;

    // The index for the pixel at Column; `chosen` is that entry's colour. Moves on one column.
    virtual std::uint8_t Dither(int red, int green, int blue, platform::Rgb& chosen);
    virtual void NextLine();
    // The whole row of R, G, B pixels at once, walked as the calls above would walk it, each
    // index stored at its pixel's column; then NextLine.
    virtual void DitherRow(const std::uint8_t* pixels, std::uint8_t* indices);
    // Passes over the pixel at Column (a transparent one): no error reaches or leaves it.
    void NextColumn() { Column += Direction; }

    TColorLookup& Lookup;
    int Width;
    int Column = 0;
    int Direction = 1;
};

// One share of an error: `weight` parts go to the pixel `offset` columns ahead in the
// direction of travel (negative: behind), `row` rows below the current one.
struct TDiffusionTap {
    int row;
    int offset;
    int weight;
};

template <std::size_t N>
constexpr int DiffusionRows(const std::array<TDiffusionTap, N>& taps)
{
    int rows = 0;
    for (const TDiffusionTap& tap : taps)
        rows = std::max(rows, tap.row + 1);
    return rows;
}

template <std::size_t N>
constexpr int DiffusionMargin(const std::array<TDiffusionTap, N>& taps)
{
    int margin = 0;
    for (const TDiffusionTap& tap : taps)
        margin = std::max({margin, tap.offset, -tap.offset});
    return margin;
}

template <std::size_t N>
constexpr int DiffusionWeight(const std::array<TDiffusionTap, N>& taps)
{
    int sum = 0;
    for (const TDiffusionTap& tap : taps)
        sum += tap.weight;
    return sum;
}

// Error diffusion by a filter type holding Taps (TDiffusionTap array) and Divisor. Each
// channel keeps one error row per row the filter reaches, with margins wide enough for its
// furthest offset, rotated at every line.
template <class Filter>
class TErrorDiffusionDitherer : public TDitherEngine {
public:
    TErrorDiffusionDitherer(int width, TColorLookup& lookup);

    std::uint8_t Dither(int red, int green, int blue, platform::Rgb& chosen) override;
    void NextLine() override;
    void DitherRow(const std::uint8_t* pixels, std::uint8_t* indices) override;

    static constexpr int Rows = DiffusionRows(Filter::Taps);
    static constexpr int Margin = DiffusionMargin(Filter::Taps);
    static_assert(DiffusionWeight(Filter::Taps) == Filter::Divisor, "a filter passes on exactly the error it measures");

private:
    // Each error row's cell of column 0, red first; margins lie on both sides.
    using RowCells = std::array<std::int32_t*, Rows>;
    RowCells Rows0();
    // One pixel, the cells at `at` (3 x its column), through a lookup of a known type so that
    // a row's lookups inline. `ahead` is the step of one column in the walking direction;
    // `carry` brings the share the previous pixel passed to this one and takes this pixel's
    // share for the next. Column is left alone: values the loop keeps are not reloaded after
    // every store into the error rows.
    template <class AnyLookup>
    std::uint8_t Step(AnyLookup& lookup, const RowCells& rows, std::ptrdiff_t at, std::ptrdiff_t ahead,
                      const int (&wanted)[3], platform::Rgb& chosen, int (&carry)[3]);

    std::vector<std::int32_t> cells_;
    std::array<std::size_t, Rows> rowStart_{};
};

// The published filters, one line per row they reach.
// clang-format off
struct TFloydSteinbergFilter {
    static constexpr int Divisor = 16;
    static constexpr std::array<TDiffusionTap, 4> Taps{{
        {0, 1, 7},
        {1, -1, 3}, {1, 0, 5}, {1, 1, 1}}};
};
struct TStuckiFilter {
    static constexpr int Divisor = 42;
    static constexpr std::array<TDiffusionTap, 12> Taps{{
        {0, 1, 8}, {0, 2, 4},
        {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},
        {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}}};
};
struct TSierraFilter {
    static constexpr int Divisor = 32;
    static constexpr std::array<TDiffusionTap, 10> Taps{{
        {0, 1, 5}, {0, 2, 3},
        {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},
        {2, -1, 2}, {2, 0, 3}, {2, 1, 2}}};
};
struct TJaJuNiFilter {
    static constexpr int Divisor = 48;
    static constexpr std::array<TDiffusionTap, 12> Taps{{
        {0, 1, 7}, {0, 2, 5},
        {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},
        {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}}};
};
struct TSteveArcheFilter {
    static constexpr int Divisor = 200;
    static constexpr std::array<TDiffusionTap, 12> Taps{{
        {0, 2, 32},
        {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16},
        {2, -2, 12}, {2, 0, 26}, {2, 2, 12},
        {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5}}};
};
struct TBurkesFilter {
    static constexpr int Divisor = 32;
    static constexpr std::array<TDiffusionTap, 7> Taps{{
        {0, 1, 8}, {0, 2, 4},
        {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}};
};
// clang-format on

class TFloydSteinbergDitherer final : public TErrorDiffusionDitherer<TFloydSteinbergFilter> {
public:
    using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};
class TStuckiDitherer final : public TErrorDiffusionDitherer<TStuckiFilter> {
public:
    using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};
class TSierraDitherer final : public TErrorDiffusionDitherer<TSierraFilter> {
public:
    using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};
class TJaJuNiDitherer final : public TErrorDiffusionDitherer<TJaJuNiFilter> {
public:
    using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};
class TSteveArcheDitherer final : public TErrorDiffusionDitherer<TSteveArcheFilter> {
public:
    using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};
class TBurkesDitherer final : public TErrorDiffusionDitherer<TBurkesFilter> {
public:
    using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};

// The engine of `mode` for rows of `width` pixels; "Invalid reduction method" for a value
// outside the enumeration.
std::unique_ptr<TDitherEngine> MakeDitherEngine(TDitherMode mode, int width, TColorLookup& lookup);
