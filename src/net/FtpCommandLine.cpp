// How the server engine reads a command line: the Telnet escapes taken out, the keyword,
// and the parameter after the one blank that separates them.

#include "net/FtpSrv.h"

#include "platform/base/AsciiCase.h"

namespace {

constexpr unsigned char telnetIAC = 0xFF;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsKeywordChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The line with the Telnet escapes taken out: a doubled 0xFF is one 0xFF, 0xFF with any
// other byte is a Telnet command and goes.
std::string WithoutTelnetCommands(const char* CmdBuf, std::int32_t CmdLen)
{
    std::string line;
    line.reserve(static_cast<std::size_t>(CmdLen));
    for (std::int32_t i = 0; i < CmdLen; ++i) {
        if (static_cast<unsigned char>(CmdBuf[i]) != telnetIAC) {
            line += CmdBuf[i];
        } else if (++i < CmdLen && static_cast<unsigned char>(CmdBuf[i]) == telnetIAC) {
            line += CmdBuf[i];
        }
    }
    return line;
}

} // namespace

TFtpCommandLine ParseFtpCommandLine(const char* CmdBuf, std::int32_t CmdLen)
{
    TFtpCommandLine command;
    const std::string line = WithoutTelnetCommands(CmdBuf, CmdLen);
    std::size_t at = 0;
    while (at < line.size() && IsBlank(line[at]))
        ++at;
    for (; at < line.size() && IsKeywordChar(line[at]); ++at)
        command.Keyword += platform::AsciiUpper(line[at]);
    // One blank separates: a name may itself begin with blanks.
    if (at < line.size() && IsBlank(line[at]))
        ++at;
    command.Params = line.substr(at);
    return command;
}

std::string TrimmedFtpParam(const std::string& Params)
{
    std::size_t first = 0;
    std::size_t last = Params.size();
    while (first < last && static_cast<unsigned char>(Params[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(Params[last - 1]) <= ' ')
        --last;
    return Params.substr(first, last - first);
}
