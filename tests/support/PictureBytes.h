#pragma once

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <string>

namespace testsupport {

// The picture encoded as a file of the format ("bmp", "ico") would hold it; for the tests
// of the picture readers, which write their files by byte name.
inline std::string pictureBytes(const QImage& image, const char* format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return buffer.data().toStdString();
}

} // namespace testsupport
