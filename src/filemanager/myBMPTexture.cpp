#include "filemanager/myBMPTexture.h"

#include "platform/ui/PictureRegistry.h"

#include <QImage>

#include <algorithm>
#include <cstring>

int IntLog2(int n)
{
    int halvings = 0;
    for (; n > 1; n /= 2)
        ++halvings;
    return halvings;
}

int TextureSide(int side, int limit)
{
    const int log = IntLog2(side);
    if (log >= IntLog2(limit))
        return limit;
    const int power = 1 << log;
    return power < side ? power * 2 : power;
}

std::unique_ptr<myBMPTexture> PictureToTexture(const QImage& picture, bool alpha)
{
    if (picture.isNull())
        return nullptr;
    const int width = TextureSide(picture.width(), maxTextureWidth);
    const int height = TextureSide(picture.height(), maxTextureHeight);
    QImage stretched = picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (stretched.format() != QImage::Format_RGBX8888)
        stretched = stretched.convertToFormat(QImage::Format_RGBX8888);
    if (stretched.isNull())
        return nullptr;

    auto texture = std::make_unique<myBMPTexture>();
    texture->components = alpha ? 4 : 3;
    texture->width = width;
    texture->height = height;
    texture->format = alpha ? GL_RGBA : GL_RGB;
    texture->type = GL_UNSIGNED_BYTE;
    texture->data.resize(std::size_t(width) * std::size_t(height) * std::size_t(texture->components));
    unsigned char* out = texture->data.data();
    for (int row = 0; row < height; ++row) {
        const uchar* in = stretched.constScanLine(height - 1 - row);
        if (alpha) {
            // RGBX already holds 255 where alpha goes.
            std::memcpy(out, in, std::size_t(width) * 4);
            out += std::size_t(width) * 4;
            continue;
        }
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
    return texture;
}

std::unique_ptr<myBMPTexture> LoadTextureRecord(const std::string& fileName, bool alpha)
{
    try {
        return PictureToTexture(platform::LoadPicture(fileName)->toImage(), alpha);
    } catch (const std::exception&) {
        return nullptr;
    }
}
