#include "platform/gl/DisplayListFont.h"

#include "platform/gl/FontLists.h"

#include <GL/gl.h>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace platform {
namespace {

// One glyph as a glBitmap: rows bottom-up, most significant bit first, byte-aligned rows.
struct GlyphBitmap {
    int width = 0;
    int height = 0;
    float xorig = 0;
    float yorig = 0;
    float advance = 0;
    std::vector<GLubyte> bits;
};

GlyphBitmap renderGlyph(const QFont& font, const QFontMetrics& metrics, char32_t code)
{
    GlyphBitmap glyph;
    const QString text = QString::fromUcs4(&code, 1);
    glyph.advance = static_cast<float>(metrics.horizontalAdvance(text));
    if (!metrics.inFontUcs4(code))
        return glyph;
    const QRect box = metrics.boundingRect(text);
    if (box.isEmpty())
        return glyph;
    // A pixel of margin on every side: bounding boxes of some faces are a pixel short.
    const int originX = 1 - box.left();
    const int baseline = 1 - box.top();
    QImage image(box.width() + 2, box.height() + 2, QImage::Format_Grayscale8);
    image.fill(0);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(originX, baseline, text);
    }
    glyph.width = image.width();
    glyph.height = image.height();
    glyph.xorig = static_cast<float>(originX);
    glyph.yorig = static_cast<float>(image.height() - baseline);
    const int rowBytes = (glyph.width + 7) / 8;
    glyph.bits.assign(static_cast<std::size_t>(rowBytes) * glyph.height, 0);
    for (int y = 0; y < glyph.height; ++y) {
        const uchar* row = image.constScanLine(glyph.height - 1 - y);
        GLubyte* out = glyph.bits.data() + static_cast<std::size_t>(y) * rowBytes;
        for (int x = 0; x < glyph.width; ++x)
            if (row[x] >= 128)
                out[x / 8] |= static_cast<GLubyte>(0x80 >> (x % 8));
    }
    return glyph;
}

bool bitSet(const GlyphBitmap& glyph, int column, int row)
{
    const int rowBytes = (glyph.width + 7) / 8;
    return glyph.bits[std::size_t(row * rowBytes + column / 8)] & (0x80 >> (column % 8));
}

// The glyph's metrics and the box of its set pixels.
GlyphPlace placeOf(const GlyphBitmap& glyph)
{
    GlyphPlace place{glyph.xorig, glyph.yorig, glyph.advance};
    int left = glyph.width, right = -1, bottom = glyph.height, top = -1;
    for (int row = 0; row < glyph.height && !glyph.bits.empty(); ++row)
        for (int column = 0; column < glyph.width; ++column)
            if (bitSet(glyph, column, row)) {
                left = std::min(left, column), right = std::max(right, column);
                bottom = std::min(bottom, row), top = std::max(top, row);
            }
    if (right >= 0) {
        place.left = left;
        place.bottom = bottom;
        place.width = right - left + 1;
        place.height = top - bottom + 1;
    }
    return place;
}

// Lays the glyphs' set pixels out in rows of an alpha texture whose sides are powers of two,
// a pixel apart, and uploads it; every set bit becomes an opaque texel. No atlas when it would
// exceed the largest texture the driver takes.
void makeAtlas(OpenGLFont2D& font, const std::vector<GlyphBitmap>& bitmaps)
{
    int widest = 0;
    for (const GlyphPlace& place : font.glyphs)
        widest = std::max(widest, place.width);
    // Every row holds at least the widest glyph, so none runs into the next.
    int width = 512;
    while (width < widest + 1)
        width *= 2;
    int x = 0, y = 0, rowHeight = 0;
    for (GlyphPlace& place : font.glyphs) {
        if (place.width == 0)
            continue;
        if (x + place.width > width) {
            x = 0;
            y += rowHeight + 1;
            rowHeight = 0;
        }
        place.atlasX = x;
        place.atlasY = y;
        x += place.width + 1;
        rowHeight = std::max(rowHeight, place.height);
    }
    int height = 1;
    while (height < y + rowHeight)
        height *= 2;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (width > largest || height > largest)
        return;
    std::vector<GLubyte> texels(std::size_t(width) * height, 0);
    for (std::size_t i = 0; i < bitmaps.size(); ++i) {
        const GlyphPlace& place = font.glyphs[i];
        for (int row = 0; row < place.height; ++row)
            for (int column = 0; column < place.width; ++column)
                if (bitSet(bitmaps[i], place.left + column, place.bottom + row))
                    texels[std::size_t((place.atlasY + row) * width + place.atlasX + column)] = 255;
    }
    glPushAttrib(GL_TEXTURE_BIT);
    glGenTextures(1, &font.atlas);
    glBindTexture(GL_TEXTURE_2D, font.atlas);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, width, height, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texels.data());
    glPopAttrib();
    font.atlasWidth = width;
    font.atlasHeight = height;
}

} // namespace

std::unique_ptr<OpenGLFont2D> Create2DFont(const QFont* font, int first, int count)
{
    auto result = font ? ReserveFontLists<OpenGLFont2D>(first, count) : nullptr;
    if (!result)
        return nullptr;

    // Bitmap text is read at small sizes; smoothed edges would only turn into stray pixels.
    QFont plain(*font);
    plain.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(plain);
    // The bitmaps are unpacked when each list is compiled, with the packing they are laid out in.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    std::vector<GlyphBitmap> bitmaps(static_cast<std::size_t>(count));
    result->glyphs.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const long long code = static_cast<long long>(first) + i;
        GlyphBitmap& glyph = bitmaps[static_cast<std::size_t>(i)];
        if (IsUnicodeScalar(code))
            glyph = renderGlyph(plain, metrics, static_cast<char32_t>(code));
        result->glyphs[static_cast<std::size_t>(i)] = placeOf(glyph);
        // Mesa drops the advance of a listed bitmap without a pointer, spaces included.
        static const GLubyte noPixels = 0;
        glNewList(result->base + static_cast<GLuint>(i), GL_COMPILE);
        glBitmap(glyph.width, glyph.height, glyph.xorig, glyph.yorig, glyph.advance, 0,
                 glyph.bits.empty() ? &noPixels : glyph.bits.data());
        glEndList();
    }
    makeAtlas(*result, bitmaps);
    glPopClientAttrib();
    return result;
}

} // namespace platform
