#pragma once

namespace platform {

// Whether a glyph code names a Unicode character at all (surrogates and codes past the last
// plane name none); the fonts give such codes an empty glyph.
constexpr bool IsUnicodeScalar(long long code)
{
    return code >= 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

} // namespace platform
