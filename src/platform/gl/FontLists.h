#pragma once

#include <GL/gl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace platform {

// Whether a glyph code names a Unicode character at all (surrogates and codes past the last
// plane name none); the fonts give such codes an empty glyph.
constexpr bool IsUnicodeScalar(long long code)
{
    return code >= 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

// The list offsets of a text, or false when a character lies outside the font's range: one
// stray character means the whole text is left undrawn. False for an empty text too.
bool GlyphOffsets(std::string_view text, int first, int count, std::vector<GLuint>& offsets);

// A font record holding `count` fresh display lists for the codes from `first`; null when
// the current context has none to give.
template <class Font>
std::unique_ptr<Font> ReserveFontLists(int first, int count)
{
    const GLuint base = count > 0 ? glGenLists(count) : 0;
    if (base == 0)
        return nullptr;
    auto font = std::make_unique<Font>();
    font->first = first;
    font->count = count;
    font->base = base;
    // Only outline fonts are told apart, by the batches that keep their triangles.
    if constexpr (requires { font->serial; }) {
        static std::atomic<std::uint64_t> fontsMade{0};
        font->serial = ++fontsMade;
    }
    return font;
}

} // namespace platform
