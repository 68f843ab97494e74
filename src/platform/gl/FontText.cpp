#include "platform/gl/DisplayListFont.h"

#include "platform/gl/FontLists.h"

#include <GL/gl.h>
#include <QOpenGLContext>
#include <QString>

namespace platform {
namespace {

constexpr std::uint32_t replacementCharacter = 0xFFFD;

// Length and payload of the sequence a lead byte starts; 0 when it starts none.
int sequenceLength(unsigned char lead, std::uint32_t& payload)
{
    if (lead < 0x80) { payload = lead; return 1; }
    if (lead >= 0xC2 && lead <= 0xDF) { payload = lead & 0x1Fu; return 2; }
    if (lead >= 0xE0 && lead <= 0xEF) { payload = lead & 0x0Fu; return 3; }
    if (lead >= 0xF0 && lead <= 0xF4) { payload = lead & 0x07u; return 4; }
    return 0;
}

bool isValidScalar(std::uint32_t cp, int length)
{
    static constexpr std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    return cp >= smallest[length] && IsUnicodeScalar(cp);
}

// Where a code point's glyph lies among the font's codes first .. first + count - 1; -1 when
// the font does not cover it.
long long glyphIndex(std::uint32_t cp, int first, int count)
{
    const long long offset = static_cast<long long>(cp) - first;
    return offset >= 0 && offset < count ? offset : -1;
}

void callLists(GLuint base, const std::vector<GLuint>& offsets)
{
    glPushAttrib(GL_LIST_BIT);
    glListBase(base);
    glCallLists(static_cast<GLsizei>(offsets.size()), GL_UNSIGNED_INT, offsets.data());
    glPopAttrib();
}

void deleteLists(std::uint32_t base, int count)
{
    if (base != 0 && count > 0 && QOpenGLContext::currentContext())
        glDeleteLists(base, count);
}

} // namespace

bool GlyphOffsets(std::string_view text, int first, int count, std::vector<GLuint>& offsets)
{
    offsets.clear();
    for (std::uint32_t cp : CodePoints(text)) {
        const long long offset = glyphIndex(cp, first, count);
        if (offset < 0)
            return false;
        offsets.push_back(static_cast<GLuint>(offset));
    }
    return !offsets.empty();
}

OpenGLFont2D::~OpenGLFont2D()
{
    deleteLists(base, count);
    if (atlas != 0 && QOpenGLContext::currentContext())
        glDeleteTextures(1, &atlas);
}
OpenGLFont3D::~OpenGLFont3D() { deleteLists(base, count); }

std::vector<std::uint32_t> CodePoints(std::string_view text)
{
    std::vector<std::uint32_t> out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t cp = 0;
        const int length = sequenceLength(static_cast<unsigned char>(text[i]), cp);
        bool ok = length > 0 && i + length <= text.size();
        for (int k = 1; ok && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            ok = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        if (ok && isValidScalar(cp, length)) {
            out.push_back(cp);
            i += length;
        } else {
            out.push_back(replacementCharacter);
            ++i;
        }
    }
    return out;
}

std::string GlyphText(std::string_view text, int first, int count)
{
    std::u32string kept;
    for (std::uint32_t cp : CodePoints(text))
        kept.push_back(glyphIndex(cp, first, count) >= 0 ? cp : U'?');
    return QString::fromUcs4(kept.data(), static_cast<qsizetype>(kept.size())).toStdString();
}

void Draw2DText(const OpenGLFont2D* font, std::string_view text)
{
    std::vector<GLuint> offsets;
    if (font && GlyphOffsets(text, font->first, font->count, offsets))
        callLists(font->base, offsets);
}

void Draw3DText(const OpenGLFont3D* font, std::string_view text)
{
    std::vector<GLuint> offsets;
    if (!font || !GlyphOffsets(text, font->first, font->count, offsets))
        return;
    // Each glyph list sets its own winding; the caller's must survive the text.
    GLint frontFace = GL_CCW;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    callLists(font->base, offsets);
    glFrontFace(static_cast<GLenum>(frontFace));
}

void Get3DTextSize(const OpenGLFont3D* font, std::string_view text, double* size)
{
    if (!font || !size || text.empty())
        return;
    const std::vector<std::uint32_t> codes = CodePoints(text);
    size[0] = 0;
    size[1] = 0;
    size[2] = font->extrusion;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const long long offset = glyphIndex(codes[i], font->first, font->count);
        if (offset < 0 || offset >= static_cast<long long>(font->metrics.size())) {
            size[0] = size[1] = size[2] = 0;
            return;
        }
        const GLYPHMETRICSFLOAT& m = font->metrics[static_cast<std::size_t>(offset)];
        const bool last = i + 1 == codes.size();
        size[0] += last ? m.gmfBlackBoxX : m.gmfCellIncX;
        size[1] += last ? m.gmfBlackBoxY : m.gmfCellIncY;
    }
}

} // namespace platform
