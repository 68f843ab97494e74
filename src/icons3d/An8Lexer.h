#pragma once

#include "icons3d/An8File.h"

#include <cstdint>
#include <string>

enum class An8Token {
    Word,
    String,
    Integer,
    Real,
    LBrace,
    RBrace,
    LParen,
    RParen,
    Minus,
    Plus,
    Hash,
    End,
    Overlong,    // 500 characters without an end: no rule accepts it
    Malformed,   // three or more double quotes in one token: no rule accepts it
    Failed,      // an unterminated string or a number out of range: the load fails here
};

// Splits the bytes of an .an8 file into tokens. One lexer per load: nothing is shared
// between loads, so a message box shown during one load cannot disturb another.
class An8Lexer {
public:
    static constexpr std::size_t kMaxToken = 499;

    explicit An8Lexer(An8File& file) : file_(file) {}

    An8Token An8NextToken();

    An8Token token() const { return kind_; }
    const std::string& text() const { return text_; }          // a word's characters
    const std::string& stringValue() const { return string_; }  // without the quotes
    int32_t integer() const { return integer_; }
    float real() const { return real_; }
    int line() const { return tokenLine_; }
    // Why the current token is Overlong, Malformed or Failed.
    const char* problem() const { return problem_; }

private:
    An8Token classify();
    An8Token single(An8Token kind)
    {
        tokenLine_ = line_;
        return kind_ = kind;
    }
    An8Token bad(An8Token kind, const char* why)
    {
        problem_ = why;
        return kind_ = kind;
    }

    An8File& file_;
    int current_ = 0;   // the last byte delivered, carried between tokens
    bool pendingBrace_ = false;
    bool pendingParen_ = false;
    An8Token kind_ = An8Token::End;
    std::string text_;
    std::string string_;
    int32_t integer_ = 0;
    float real_ = 0;
    int line_ = 1;
    int tokenLine_ = 1;
    const char* problem_ = "";
};
