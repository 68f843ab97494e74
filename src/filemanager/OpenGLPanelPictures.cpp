#include "filemanager/BMPTexture.h"
#include "filemanager/OpenGLPanel.h"

#include "platform/base/Exception.h"
#include "platform/gl/DisplayInfo.h"
#include "platform/graphics/FileStream.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QOpenGLContext>

#include <cstdint>
#include <limits>

namespace {

// The whole file, read by its byte name; nothing when it is larger than any picture Qt
// would decode, so a huge file never fills memory.
QByteArray ReadPictureFile(const std::string& fileName)
{
    platform::FileStream file(fileName, platform::FileStream::Mode::Read);
    const std::int64_t limit = std::int64_t{QImageReader::allocationLimit()} * 1024 * 1024;
    const std::int64_t size = file.size();
    if (size <= 0 || size > limit || size > std::numeric_limits<int>::max())
        return {};
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    bytes.resize(static_cast<qsizetype>(file.read(bytes.data(), bytes.size())));
    return bytes;
}

std::unique_ptr<BMPTexture> TextureFromBitmap(const QImage& bitmap, bool alpha)
{
    const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull())
        return nullptr;
    auto texture = std::make_unique<BMPTexture>();
    texture->components = alpha ? 4 : 3;
    texture->width = rgb.width();
    texture->height = rgb.height();
    texture->format = alpha ? GL_RGBA : GL_RGB;
    texture->type = GL_UNSIGNED_BYTE;
    texture->data.resize(std::size_t(texture->width) * std::size_t(texture->height) * std::size_t(texture->components));
    unsigned char* out = texture->data.data();
    for (int row = rgb.height() - 1; row >= 0; --row) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(row));
        for (int x = 0; x < rgb.width(); ++x) {
            *out++ = static_cast<unsigned char>(qRed(line[x]));
            *out++ = static_cast<unsigned char>(qGreen(line[x]));
            *out++ = static_cast<unsigned char>(qBlue(line[x]));
            if (alpha)
                *out++ = 255;
        }
    }
    return texture;
}

} // namespace

std::unique_ptr<BMPTexture> TOpenGLPanel::LoadBMPTexture(const std::string& fileName, bool alpha)
{
    try {
        QImage bitmap;
        if (!bitmap.loadFromData(ReadPictureFile(fileName), "BMP"))
            return nullptr;
        return TextureFromBitmap(bitmap, alpha);
    } catch (const std::exception&) {
        // A file that cannot be read or pixels that cannot be allocated: simply no texture.
        return nullptr;
    }
}

bool TOpenGLPanel::PictureAvailable() const
{
    return width() > 0 && height() > 0 && usable();
}

QImage TOpenGLPanel::PanelPicture()
{
    // Rendering into the panel's framebuffer runs OnPaint, so the picture is the scene as it stands.
    QImage picture = grabFramebuffer();
    if (context() && QOpenGLContext::currentContext() == context())
        doneCurrent();
    return picture;
}

bool TOpenGLPanel::SaveOpenGLPanelToFile(const std::string& fileName)
{
    if (!PictureAvailable())
        return false;
    const QImage picture = PanelPicture();
    if (picture.isNull())
        throw platform::Exception("Not enough memory for the picture of the panel to save as \"" + fileName + "\"");
    // Encoded in memory and written by the byte name: Qt's own file saving takes a QString name.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "BMP"))
        throw platform::Exception("Cannot encode the picture of the panel as BMP for \"" + fileName + "\"");
    platform::FileStream file(fileName, platform::FileStream::Mode::Create);
    file.write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

bool TOpenGLPanel::QueryOpenGLExtention(const std::string& name) const
{
    const auto* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return list && platform::ExtensionListHas(list, name);
}

int TOpenGLPanel::GetDisplayBPP() const { return platform::DisplayBitsPerPixel(); }

// X11 and Wayland fix the depth when the display server starts; nothing can change it.
bool TOpenGLPanel::SetDisplayBPP(int) { return false; }
