#pragma once

// What a GIF may cost in a fuzz run: smaller than the program's limits, so that neither the
// fuzzer's memory limit nor its time limit is ever the finding for a picture within them.

#include "gif/GIFTypes.h"

inline GifLimits GifFuzzLimits()
{
    GifLimits limits;
    limits.maxFramePixels = std::size_t{1} << 20;
    limits.maxTotalPixels = std::size_t{4} << 20;
    limits.maxCanvasPixels = std::size_t{1} << 20;
    return limits;
}
