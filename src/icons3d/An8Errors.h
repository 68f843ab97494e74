#pragma once

#include <string>

// Error numbers of the .an8 reader; the first line of the message a user sees is
// "error N", so the numbers keep their meaning.
enum An8ErrorNumber : int {
    kAn8WrongValue = 0,       // a number, string, point or keyword expected and not found
    kAn8TopLevelNotWord = 1,  // at the top level a token that is not a word
    kAn8MissingBrace = 2,     // a chunk keyword not followed by "{"
    kAn8EndInSkip = 3,        // end of file inside a skipped chunk
    kAn8BadBodyToken = 4,     // inside a chunk body a token neither word nor "}" nor end
    kAn8MissingClose = 5,     // a closing "}" missing, or end of file inside a chunk body
    kAn8SkipNoBrace = 6,      // a word to be skipped not followed by "{"
    kAn8UnknownKeyword = 7,   // an unknown word where a keyword value was expected
    kAn8TooDeep = 8,          // components, bones or elements nested too deeply
};

struct An8Error {
    int number = -1;     // -1: no error
    int line = 0;
    std::string detail;  // what exactly was wrong; empty for the number's own reason

    bool failed() const { return number >= 0; }
};

// The reason a number stands for when no detail says more.
const char* An8ErrorReason(int number);
// "error N" and, on a second line, "<file>, line L: <reason>".
std::string An8ErrorMessage(const An8Error& error, const std::string& file);
