#include "platform/fs/Wildcard.h"

#include "platform/fs/Names.h"

#include <string>

namespace platform {
namespace {
bool MatchLower(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = ++p;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            n += pattern[p] == '?' ? CharacterLength(name, n) : 1;
            ++p;
        } else if (starPattern != std::string_view::npos) {
            // Let the last star swallow one more character and try again from there.
            starName += CharacterLength(name, starName);
            n = starName;
            p = starPattern;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}
} // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name)
{
    if (pattern.empty() || pattern.find('/') != std::string_view::npos)
        return false;
    if (pattern == "*.*" || pattern == "*")
        return true;
    return MatchLower(LowerName(pattern), LowerName(name));
}

} // namespace platform
