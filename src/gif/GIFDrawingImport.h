#pragma once

#include <QImage>

namespace platform {
class Picture;
}

// The image a picture becomes a frame from. A drawing (a metafile) is drawn on white, and the
// pixels it leaves undrawn, those that differ when it is drawn on black as well, become
// transparent; any other picture gives its own image.
QImage FrameImageOf(const platform::Picture& graphic);
