#include "icons3d/An8Errors.h"

const char* An8ErrorReason(int number)
{
    switch (number) {
    case kAn8WrongValue: return "a value of the wrong kind";
    case kAn8TopLevelNotWord: return "a chunk name expected at the top level";
    case kAn8MissingBrace: return "missing '{' after a chunk name";
    case kAn8EndInSkip: return "end of file inside a skipped chunk";
    case kAn8BadBodyToken: return "a chunk name or '}' expected";
    case kAn8MissingClose: return "missing '}'";
    case kAn8SkipNoBrace: return "missing '{' after an unknown chunk name";
    case kAn8UnknownKeyword: return "unknown keyword";
    case kAn8TooDeep: return "chunks nested too deeply";
    default: return "unknown error";
    }
}

std::string An8ErrorMessage(const An8Error& error, const std::string& file)
{
    const std::string reason = error.detail.empty() ? An8ErrorReason(error.number) : error.detail;
    return "error " + std::to_string(error.number) + "\n" + file + ", line " + std::to_string(error.line) +
           ": " + reason;
}
