// pelvaxon-metafile: plays one Windows metafile into SVG for the program's picture reader.
// The reader runs it as a process of its own because the metafile libraries cannot be trusted
// with a hostile file: whatever they do with one (crash, endless loop, runaway memory) ends
// with this process and never reaches the program.
//   pelvaxon-metafile wmf WIDTH HEIGHT <metafile >svg
//   pelvaxon-metafile emf <metafile >svg
// Exit 0: the standard output holds the SVG; 3: it holds why the metafile was not played;
// 2: the SVG could not be written. Any other end is the player's own failure (a sanitizer's
// report ends it with 1).
#include "MetafileSvg.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// A metafile may ask the libraries for gigabytes: they get a bounded share of the machine.
// The address sanitizer reserves terabytes of address space up front, so its builds go without.
void LimitMemory()
{
    constexpr rlim_t limit = rlim_t(1) << 30;
    const rlimit memory{limit, limit};
    if (!kAddressSanitizer)
        setrlimit(RLIMIT_AS, &memory);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
}

std::vector<unsigned char> ReadInput()
{
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0)
            return bytes;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw MetafileRefused(std::string("cannot read the metafile: ") + std::strerror(errno));
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
}

bool WriteOutput(std::string_view text)
{
    while (!text.empty()) {
        const ssize_t put = write(STDOUT_FILENO, text.data(), text.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        text.remove_prefix(std::size_t(put));
    }
    return true;
}

unsigned Number(const char* text)
{
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (*end != '\0' || value > 1000000)
        throw MetafileRefused("bad size " + std::string(text));
    return unsigned(value);
}

std::string Play(int argc, char** argv)
{
    const std::string_view kind = argc > 1 ? argv[1] : "";
    if (kind == "wmf" && argc == 4) {
        std::vector<unsigned char> metafile = ReadInput();
        return WmfToSvg(metafile, Number(argv[2]), Number(argv[3]));
    }
    if (kind == "emf" && argc == 2) {
        std::vector<unsigned char> metafile = ReadInput();
        return EmfToSvg(metafile);
    }
    throw MetafileRefused("usage: pelvaxon-metafile wmf WIDTH HEIGHT | emf, the metafile on standard input");
}

} // namespace

int main(int argc, char** argv)
{
    LimitMemory();
    try {
        return WriteOutput(Play(argc, argv)) ? 0 : 2;
    } catch (const std::exception& error) {
        WriteOutput(error.what());
        return 3;
    }
}
