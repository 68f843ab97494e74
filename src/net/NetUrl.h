#pragma once

// Taking URLs apart and the percent and hexadecimal codings they use. Positions are
// 1-based, 0 meaning "not found".

#include <cstdint>
#include <string>
#include <string_view>

// Splits URL into its parts. Path comes in as the document the URL is relative to (for
// "./x" and "../x") and goes out as the URL's path; every other part is cleared first.
// The authority ends at the first "/" or "?"; a query without a path gives a Path that
// begins with "?". The user part is what comes before the last "@", user name and
// password being split at its first ":".
void ParseURL(const std::string& URL, std::string& Proto, std::string& User, std::string& Pass,
              std::string& Host, std::string& Port, std::string& Path);

// Count > 0: position of the Count-th occurrence of Substr in S searched from the left
// (each search resumes one character after the last match); when there are fewer, the
// length of S plus the number of rounds that found nothing. Count < 0: position of the
// |Count|-th occurrence counted from the right, 0 when there are fewer. Count 0: 0.
std::int64_t Posn(const std::string& Substr, const std::string& S, std::int32_t Count);

// Letters and digits as they are, every other byte as "%" and two upper-case hex digits.
std::string UrlEncode(const std::string& S);
// Decodes up to the first "&": "%" and two characters give one byte, "+" a blank.
std::string UrlDecode(const std::string& S);

bool IsDigit(char Ch);
bool IsXDigit(char Ch);
int XDigit(char Ch);
// Skips blanks within the first Len characters, then reads hexadecimal digits until a
// non-digit or Len characters; the value wraps at 32 bits.
int htoin(std::string_view Value, int Len);
int htoi2(std::string_view Value);
