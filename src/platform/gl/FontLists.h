#pragma once

#include <GL/gl.h>

#include <memory>

namespace platform {

// Whether a glyph code names a Unicode character at all (surrogates and codes past the last
// plane name none); the fonts give such codes an empty glyph.
constexpr bool IsUnicodeScalar(long long code)
{
    return code >= 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

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
    return font;
}

} // namespace platform
