#pragma once

#include "gif/GIFTypes.h"

#include <cstdint>

// How frames are drawn and animated: a set of these bits.
enum TGIFDrawOption : std::uint16_t {
    goAsync = 0x0001, // paint in a thread
    goTransparent = 0x0002, // honour transparency
    goAnimate = 0x0004,
    goLoop = 0x0008,
    goLoopContinously = 0x0010, // loop for ever whatever the loop count
    goValidateCanvas = 0x0020, // stop when the target has gone
    goDirectDraw = 0x0040, // paint onto the caller's target instead of the cached composite
    goClearOnLoop = 0x0080, // clear the frame areas when a loop restarts
    goTile = 0x0100,
    goDither = 0x0200,
    goAutoDither = 0x0400,
};
using TGIFDrawOptions = std::uint16_t;

// What Optimize may do to a picture: a set of these bits.
enum TGIFOptimizeOption : std::uint8_t {
    ooCrop = 0x01, // cut transparent borders
    ooMerge = 0x02, // make pixels the frame before shows transparent
    ooCleanup = 0x04, // drop needless transparency, disposals, extensions and frames
    ooColorMap = 0x08, // sort every table by use
    ooReduceColors = 0x10,
};
using TGIFOptimizeOptions = std::uint8_t;

// How a true-colour picture is reduced to a palette when it becomes a frame.
enum class TColorReduction : std::uint8_t {
    rmNone,
    rmWindows20,
    rmWindows256,
    rmWindowsGray,
    rmMonochrome,
    rmGrayScale,
    rmNetscape,
    rmQuantize,
    rmQuantizeWindows,
    rmPalette,
};

enum class TDitherMode : std::uint8_t {
    dmNearest,
    dmFloydSteinberg,
    dmStucki,
    dmSierra,
    dmJaJuNI,
    dmSteveArche,
    dmBurkes,
};

// Kept for pictures that state one; painter threads all run at the system's priority.
enum TGIFThreadPriority : std::uint8_t { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The codec-wide values. Timing and rendering are read where they apply; the defaults are
// copied by each picture when it is made, so changing them leaves existing pictures alone.
struct TGIFSettings {
    int DelayExp = 12; // milliseconds per delay unit of 1/100 s
    int DefaultDelay = 10; // delay units of a frame that states none
    int MinimumDelay = 3;
    int MaximumDelay = 1000; // for a painter that waits on the caller's thread

    TGIFDrawOptions DefaultDrawOptions = goAsync | goTransparent | goAnimate | goLoop | goDither | goAutoDither;
    TColorReduction DefaultColorReduction = TColorReduction::rmNetscape;
    int DefaultColorReductionBits = 8;
    TDitherMode DefaultDitherMode = TDitherMode::dmNearest;
    TGIFCompression DefaultCompression = gcLZW;
    TGIFThreadPriority DefaultThreadPriority = tpNormal;
    int DefaultAnimationSpeed = 100; // percent

    // Screens here are true colour: dithering for a palette screen is never automatic.
    bool DoAutoDither = false;
    bool PaletteDevice = false;
    bool RenderOnLoad = false; // draw each frame's bitmap as it is read
    bool OptimizeOnStream = false; // WriteData optimises the picture before writing it
};

// The one instance, used on the user-interface thread.
TGIFSettings& GIFSettings();
