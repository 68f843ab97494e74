#include "gif/GIFDither.h"

#include "gif/GIFException.h"
#include "gif/GIFStrings.h"

#include <algorithm>
#include <new>

using platform::Rgb;

namespace {

// Calls `work` with the lookup as its own class when it is one of the common final ones, so
// that the compiler can inline its per-pixel call.
template <class Work>
void WithKnownLookup(TColorLookup& lookup, Work work)
{
    if (auto* fast = dynamic_cast<TFastColorLookup*>(&lookup))
        work(*fast);
    else if (auto* web = dynamic_cast<TNetscapeColorLookup*>(&lookup))
        work(*web);
    else
        work(lookup);
}

} // namespace

TDitherEngine::TDitherEngine(int width, TColorLookup& lookup) : Lookup(lookup), Width(std::max(width, 0)) {}

std::uint8_t TDitherEngine::Dither(int red, int green, int blue, Rgb& chosen)
{
    const std::uint8_t index = Lookup.Lookup(red, green, blue, chosen);
    Column += Direction;
    return index;
}

void TDitherEngine::DitherRow(const std::uint8_t* pixels, std::uint8_t* indices)
{
    WithKnownLookup(Lookup, [&](auto& lookup) {
        Rgb chosen;
        for (int x = Column; x >= 0 && x < Width; x += Direction) {
            const std::uint8_t* pixel = pixels + static_cast<std::size_t>(x) * 3;
            indices[x] = lookup.Lookup(pixel[0], pixel[1], pixel[2], chosen);
        }
    });
    NextLine();
}

void TDitherEngine::NextLine()
{
    Direction = -Direction;
    Column = Direction > 0 ? 0 : Width - 1;
}

template <class Filter>
TErrorDiffusionDitherer<Filter>::TErrorDiffusionDitherer(int width, TColorLookup& lookup) : TDitherEngine(width, lookup)
{
    const std::size_t rowCells = (static_cast<std::size_t>(Width) + 2 * Margin) * 3;
    try {
        cells_.assign(rowCells * Rows, 0);
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
    for (std::size_t row = 0; row < Rows; ++row)
        rowStart_[row] = row * rowCells;
}

template <class Filter>
template <class AnyLookup>
inline std::uint8_t TErrorDiffusionDitherer<Filter>::Step(AnyLookup& lookup, const RowCells& rows, std::ptrdiff_t at,
                                                          std::ptrdiff_t ahead, const int (&wanted)[3], Rgb& chosen,
                                                          int (&carry)[3])
{
    constexpr int rounding = Filter::Divisor / 2;
    int value[3];
    for (int channel = 0; channel < 3; ++channel)
        value[channel] =
            std::clamp(wanted[channel] + (rows[0][at + channel] + carry[channel] + rounding) / Filter::Divisor, 0, 255);
    const std::uint8_t index = lookup.Lookup(value[0], value[1], value[2], chosen);
    const int error[3] = {value[0] - chosen.r, value[1] - chosen.g, value[2] - chosen.b};
    for (const TDiffusionTap& tap : Filter::Taps) {
        if (tap.row == 0 && tap.offset == 1) {
            // The next pixel's share goes straight to it instead of through its cell.
            for (int channel = 0; channel < 3; ++channel)
                carry[channel] = error[channel] * tap.weight;
            continue;
        }
        std::int32_t* cell = rows[static_cast<std::size_t>(tap.row)] + at + tap.offset * ahead;
        for (int channel = 0; channel < 3; ++channel)
            cell[channel] += error[channel] * tap.weight;
    }
    return index;
}

template <class Filter>
typename TErrorDiffusionDitherer<Filter>::RowCells TErrorDiffusionDitherer<Filter>::Rows0()
{
    RowCells rows;
    for (std::size_t row = 0; row < Rows; ++row)
        rows[row] = cells_.data() + rowStart_[row] + Margin * 3;
    return rows;
}

template <class Filter>
std::uint8_t TErrorDiffusionDitherer<Filter>::Dither(int red, int green, int blue, Rgb& chosen)
{
    // A caller that walks off the row gets the nearest colour and no error store is touched.
    if (Column < 0 || Column >= Width)
        return TDitherEngine::Dither(red, green, blue, chosen);
    const RowCells rows = Rows0();
    const std::ptrdiff_t at = std::ptrdiff_t{Column} * 3;
    const std::ptrdiff_t ahead = Direction * 3;
    const int wanted[3] = {red, green, blue};
    int carry[3] = {0, 0, 0};
    const std::uint8_t index = Step(Lookup, rows, at, ahead, wanted, chosen, carry);
    // A lone step leaves the next pixel's share in that pixel's cell, margin or not.
    for (int channel = 0; channel < 3; ++channel)
        rows[0][at + ahead + channel] += carry[channel];
    Column += Direction;
    return index;
}

template <class Filter>
void TErrorDiffusionDitherer<Filter>::DitherRow(const std::uint8_t* pixels, std::uint8_t* indices)
{
    const RowCells rows = Rows0();
    const std::ptrdiff_t ahead = Direction * 3;
    const int width = Width;
    const int direction = Direction;
    WithKnownLookup(Lookup, [&](auto& lookup) {
        Rgb chosen;
        int carry[3] = {0, 0, 0};
        for (int x = Column; x >= 0 && x < width; x += direction) {
            const std::uint8_t* pixel = pixels + static_cast<std::size_t>(x) * 3;
            const int wanted[3] = {pixel[0], pixel[1], pixel[2]};
            indices[x] = Step(lookup, rows, std::ptrdiff_t{x} * 3, ahead, wanted, chosen, carry);
        }
    });
    NextLine();
}

template <class Filter>
void TErrorDiffusionDitherer<Filter>::NextLine()
{
    const std::size_t rowCells = (static_cast<std::size_t>(Width) + 2 * Margin) * 3;
    std::fill_n(cells_.begin() + static_cast<std::ptrdiff_t>(rowStart_[0]), rowCells, 0);
    std::rotate(rowStart_.begin(), rowStart_.begin() + 1, rowStart_.end());
    TDitherEngine::NextLine();
}

template class TErrorDiffusionDitherer<TFloydSteinbergFilter>;
template class TErrorDiffusionDitherer<TStuckiFilter>;
template class TErrorDiffusionDitherer<TSierraFilter>;
template class TErrorDiffusionDitherer<TJaJuNiFilter>;
template class TErrorDiffusionDitherer<TSteveArcheFilter>;
template class TErrorDiffusionDitherer<TBurkesFilter>;

std::unique_ptr<TDitherEngine> MakeDitherEngine(TDitherMode mode, int width, TColorLookup& lookup)
{
    switch (mode) {
    case TDitherMode::dmNearest: return std::make_unique<TDitherEngine>(width, lookup);
    case TDitherMode::dmFloydSteinberg: return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case TDitherMode::dmStucki: return std::make_unique<TStuckiDitherer>(width, lookup);
    case TDitherMode::dmSierra: return std::make_unique<TSierraDitherer>(width, lookup);
    case TDitherMode::dmJaJuNI: return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case TDitherMode::dmSteveArche: return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case TDitherMode::dmBurkes: return std::make_unique<TBurkesDitherer>(width, lookup);
    }
    RaiseGIFError(gifstrings::sInvalidReduction);
}
