#pragma once

#include <QImage>

#include <string>

namespace platform {

// Decodes the JPEG file open on fd with libjpeg: greyscale, RGB, YCbCr, CMYK and YCCK
// (Adobe-inverted or not), baseline or progressive. The image is RGBX8888. Throws
// platform::Exception naming fileName when the data is not a whole JPEG picture or its
// pixels would exceed the allocation limit Qt's own readers keep to.
QImage ReadJpeg(int fd, const std::string& fileName);

} // namespace platform
