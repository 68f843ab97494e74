#include "icons3d/An8Reader.h"

#include <algorithm>

// The value forms the chunk rules share. Each starts at its first token (a chunk's at the
// keyword) and leaves the token after it current.

void An8Reader::open(int number)
{
    next();
    if (!at(An8Token::LBrace))
        unexpected(number);
    next();
}

void An8Reader::closing()
{
    if (at(An8Token::RParen))
        next();
    if (!at(An8Token::RBrace))
        unexpected(kAn8MissingClose);
    next();
}

std::string An8Reader::readString()
{
    if (!at(An8Token::String))
        unexpected(kAn8WrongValue);
    std::string value = lexer_.stringValue();
    next();
    return value;
}

int32_t An8Reader::readUnsigned()
{
    if (!at(An8Token::Integer))
        unexpected(kAn8WrongValue);
    const int32_t value = lexer_.integer();
    next();
    return value;
}

int32_t An8Reader::readInteger()
{
    const bool negative = at(An8Token::Minus);
    if (negative || at(An8Token::Plus))
        next();
    const int32_t value = readUnsigned();
    return negative ? -value : value;
}

float An8Reader::readReal()
{
    const bool negative = at(An8Token::Minus);
    if (negative || at(An8Token::Plus))
        next();
    float value = 0;
    if (at(An8Token::Integer))
        value = static_cast<float>(lexer_.integer());
    else if (at(An8Token::Real))
        value = lexer_.real();
    else
        unexpected(kAn8WrongValue);
    next();
    return negative ? -value : value;
}

std::string An8Reader::stringChunk()
{
    open(kAn8MissingClose);
    std::string value = readString();
    closing();
    return value;
}

// Numeric chunks may leave out their braces: "size 3" reads like "size { 3 }".
int32_t An8Reader::integerChunk()
{
    int32_t value = 0;
    integersChunk(&value, 1);
    return value;
}

float An8Reader::realChunk()
{
    float value = 0;
    realsChunk(&value, 1);
    return value;
}

template <class T> void An8Reader::valuesChunk(T* values, int count, T (An8Reader::*readValue)())
{
    next();
    const bool brace = at(An8Token::LBrace);
    if (brace)
        next();
    for (int i = 0; i < count; ++i)
        values[i] = (this->*readValue)();
    if (brace)
        closing();
}

void An8Reader::integersChunk(int32_t* values, int count)
{
    valuesChunk(values, count, &An8Reader::readInteger);
}

void An8Reader::realsChunk(float* values, int count)
{
    valuesChunk(values, count, &An8Reader::readReal);
}

An8Point An8Reader::point()
{
    if (!at(An8Token::LParen))
        unexpected(kAn8WrongValue);
    next();
    An8Point p;
    p.x = readReal();
    p.y = readReal();
    if (!at(An8Token::RParen))
        p.z = readReal();
    if (!at(An8Token::RParen))
        unexpected(kAn8WrongValue);
    next();
    return p;
}

An8Point An8Reader::pointChunk()
{
    open(kAn8WrongValue);
    const An8Point p = point();
    closing();
    return p;
}

An8Quaternion An8Reader::quaternionChunk()
{
    next();
    const bool brace = at(An8Token::LBrace);
    if (brace)
        next();
    const bool paren = at(An8Token::LParen);
    if (paren)
        next();
    An8Quaternion q;
    q.x = readReal();
    q.y = readReal();
    q.z = readReal();
    q.w = readReal();
    if (brace) {
        closing();
    } else if (paren) {
        if (!at(An8Token::RParen))
            unexpected(kAn8WrongValue);
        next();
    }
    return q;
}

void An8Reader::emptyChunk()
{
    open(kAn8MissingBrace);
    closing();
}

An8Keyword An8Reader::keywordChunk()
{
    open(kAn8MissingBrace);
    if (!at(An8Token::Word))
        unexpected(kAn8WrongValue);
    const An8Keyword keyword = An8LookupKeyword(lexer_.text());
    if (keyword == kUnknownKeyword)
        fail(kAn8UnknownKeyword, "unknown keyword \"" + lexer_.text() + "\"");
    next();
    closing();
    return keyword;
}

An8Reader::Transform An8Reader::transformChunk()
{
    open(kAn8WrongValue);
    Transform transform;
    for (;;) {
        if (at(An8Token::LParen)) {
            transform.bare = point();
            continue;
        }
        if (!at(An8Token::Word))
            break;
        const An8Keyword keyword = An8LookupKeyword(lexer_.text());
        if (keyword == kOrigin)
            transform.origin = pointChunk();
        else if (keyword == kOrientation)
            transform.orientation = quaternionChunk();
        else
            An8SkipChunk();
    }
    body([](An8Keyword) { return false; });
    return transform;
}

// A colour word: red in the low byte, then green, then blue, each held to 0..255 so one
// component cannot spill into the next.
int32_t An8Reader::colourChunk()
{
    int32_t rgb[3];
    integersChunk(rgb, 3);
    int32_t packed = 0;
    for (int i = 0; i < 3; ++i)
        packed |= std::clamp(rgb[i], 0, 255) << (8 * i);
    return packed;
}

void An8Reader::An8SkipChunk()
{
    next();
    if (!at(An8Token::LBrace))
        unexpected(kAn8SkipNoBrace);
    An8SkipBlock();
}

// Iterative, so a deep nest of braces in a chunk nobody reads needs no stack.
void An8Reader::An8SkipBlock()
{
    long long depth = 1;
    while (depth > 0) {
        next();
        if (at(An8Token::LBrace))
            ++depth;
        else if (at(An8Token::RBrace))
            --depth;
        else if (at(An8Token::End))
            fail(kAn8EndInSkip);
    }
    next();
}

// The name that may open an object, figure, sequence or scene body: a string, or a bare
// word that is no keyword (a keyword there starts the body).
std::string An8Reader::optionalName(bool bareWord)
{
    if (at(An8Token::String))
        return readString();
    if (bareWord && at(An8Token::Word) && An8LookupKeyword(lexer_.text()) == kUnknownKeyword) {
        std::string name = lexer_.text();
        next();
        return name;
    }
    return "Unnamed";
}
