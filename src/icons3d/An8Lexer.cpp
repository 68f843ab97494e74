#include "icons3d/An8Lexer.h"

#include <cfloat>
#include <charconv>
#include <cmath>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// from_chars reports overflow and underflow alike; underflow is an ordinary tiny number.
bool exponentIsNegative(const std::string& text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if ((text[i] == 'e' || text[i] == 'E') && text[i + 1] == '-')
            return true;
    return false;
}

} // namespace

An8Token An8Lexer::An8NextToken()
{
    if (pendingParen_) {
        pendingParen_ = false;
        return kind_ = An8Token::RParen;
    }
    if (pendingBrace_) {
        pendingBrace_ = false;
        return kind_ = An8Token::RBrace;
    }
    text_.clear();
    int quotes = 0;
    bool comment = false;
    for (;;) {
        if (text_.size() > kMaxToken)
            return bad(An8Token::Overlong, "token longer than 499 characters");
        const int previous = current_;
        const int c = file_.An8GetChar();
        const bool atEnd = c < 0;
        current_ = atEnd ? 0 : c;
        if (c == '\n')
            ++line_;
        if (comment) {
            // An unterminated comment simply ends the data.
            if (atEnd)
                return single(An8Token::End);
            if (previous == '*' && c == '/')
                comment = false;
            continue;
        }
        const bool collected = !text_.empty();
        if (atEnd) {
            if (!collected)
                return single(An8Token::End);
            if (quotes == 1)
                return bad(An8Token::Failed, "unterminated string");
        }
        if (atEnd || ((c == ' ' || c == '\t' || c == '\n' || c == '}') && quotes != 1)) {
            if (c == '}') {
                if (!collected)
                    return single(An8Token::RBrace);
                pendingBrace_ = true;
            }
            if (!collected)
                continue;
            // A valid file never has three quotes in one token; reading on would swallow
            // the rest of the file (or spin for ever at its end).
            if (quotes >= 3)
                return bad(An8Token::Malformed, "malformed string");
            return classify();
        }
        if (c == '*' && previous == '/') {
            // The comment starts at "/" and drops whatever the word held so far.
            comment = true;
            text_.clear();
            continue;
        }
        if (quotes == 0) {
            switch (c) {
            case '#': return single(An8Token::Hash);
            case '(': return single(An8Token::LParen);
            case '{': return single(An8Token::LBrace);
            case ')':
                if (!collected)
                    return single(An8Token::RParen);
                break;
            case '-':
            case '+':
                if (!collected)
                    return single(c == '-' ? An8Token::Minus : An8Token::Plus);
                break;
            default: break;
            }
        }
        if (c == '"')
            ++quotes;
        if (!collected)
            tokenLine_ = line_;
        text_.push_back(static_cast<char>(c));
    }
}

An8Token An8Lexer::classify()
{
    if (text_.size() >= 2 && text_.front() == '"' && text_.back() == '"') {
        string_.assign(text_, 1, text_.size() - 2);
        return kind_ = An8Token::String;
    }
    if (isDigit(text_.front()) && text_.back() == ')') {
        text_.pop_back();
        pendingParen_ = true;
    }
    if (text_.empty() || !isDigit(text_.front()) || !isDigit(text_.back()))
        return kind_ = An8Token::Word;
    const char* first = text_.data();
    const char* last = first + text_.size();
    bool allDigits = true;
    for (const char* p = first; p != last; ++p)
        allDigits = allDigits && isDigit(*p);
    if (allDigits) {
        if (std::from_chars(first, last, integer_).ec != std::errc())
            return bad(An8Token::Failed, "number out of range");
        return kind_ = An8Token::Integer;
    }
    double value = 0;
    auto [end, ec] = std::from_chars(first, last, value);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        if (!exponentIsNegative(text_))
            return bad(An8Token::Failed, "number out of range");
        value = 0;
    } else if (ec != std::errc() || !std::isfinite(value) || std::fabs(value) > FLT_MAX) {
        return bad(An8Token::Failed, "number out of range");
    }
    real_ = static_cast<float>(value);
    return kind_ = An8Token::Real;
}
