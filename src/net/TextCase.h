#pragma once

// Case-blind handling of the names protocols use (schemes, "raw_", protocol names).

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

inline char LowerChar(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

inline std::string LowerCase(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), LowerChar);
    return s;
}

inline bool StartsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size()
        && std::equal(prefix.begin(), prefix.end(), s.begin(),
                      [](char a, char b) { return LowerChar(a) == LowerChar(b); });
}
