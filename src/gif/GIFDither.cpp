#include "gif/GIFDither.h"

#include "gif/GIFException.h"
#include "gif/GIFStrings.h"

#include <algorithm>
#include <new>

using platform::Rgb;

TDitherEngine::TDitherEngine(int width, TColorLookup& lookup) : Lookup(lookup), Width(std::max(width, 0)) {}

std::uint8_t TDitherEngine::Dither(int red, int green, int blue, Rgb& chosen)
{
    const std::uint8_t index = Lookup.Lookup(red, green, blue, chosen);
    Column += Direction;
    return index;
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
std::uint8_t TErrorDiffusionDitherer<Filter>::Dither(int red, int green, int blue, Rgb& chosen)
{
    // A caller that walks off the row gets the nearest colour and no error store is touched.
    if (Column < 0 || Column >= Width)
        return TDitherEngine::Dither(red, green, blue, chosen);
    constexpr int rounding = Filter::Divisor / 2;
    const int wanted[3] = {red, green, blue};
    const std::int32_t* incoming = Cell(0, Column);
    int value[3];
    for (int channel = 0; channel < 3; ++channel)
        value[channel] = std::clamp(wanted[channel] + (incoming[channel] + rounding) / Filter::Divisor, 0, 255);
    const std::uint8_t index = Lookup.Lookup(value[0], value[1], value[2], chosen);
    const int error[3] = {value[0] - chosen.r, value[1] - chosen.g, value[2] - chosen.b};
    if (error[0] != 0 || error[1] != 0 || error[2] != 0) {
        for (const TDiffusionTap& tap : Filter::Taps) {
            std::int32_t* cell = Cell(tap.row, Column + tap.offset * Direction);
            for (int channel = 0; channel < 3; ++channel)
                cell[channel] += error[channel] * tap.weight;
        }
    }
    Column += Direction;
    return index;
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
