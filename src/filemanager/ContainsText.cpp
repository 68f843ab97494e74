#include "filemanager/ContainsText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// Branch-free so the compiler can fold a whole block with vector instructions.
void LowerAsciiInPlace(char* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        bytes[i] = static_cast<char>(c + ((static_cast<unsigned char>(c - 'A') < 26u) << 5));
    }
}
} // namespace

std::int64_t DescriptorSource::size()
{
    struct stat status {};
    return ::fstat(fd_, &status) == 0 ? std::int64_t(status.st_size) : -1;
}

std::ptrdiff_t DescriptorSource::read(char* into, std::size_t max)
{
    for (;;) {
        const ssize_t got = ::read(fd_, into, max);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

bool containsText(ByteSource& source, std::string_view needle, bool fold, const std::function<bool()>& cancelled)
{
    const std::size_t n = needle.size();
    if (n == 0)
        return true;
    const std::int64_t size = source.size();
    if (size <= 0 || static_cast<std::uint64_t>(size) < n)
        return false;
    std::string wanted(needle);
    if (fold)
        LowerAsciiInPlace(wanted.data(), n);

    const auto block = std::make_unique_for_overwrite<char[]>(kTextSearchBlock);
    std::size_t held = 0;
    for (;;) {
        const std::ptrdiff_t got = source.read(block.get() + held, kTextSearchBlock - held);
        if (got <= 0)
            return false;
        if (fold)
            LowerAsciiInPlace(block.get() + held, std::size_t(got));
        held += std::size_t(got);
        if (cancelled && cancelled())
            return false;
        if (held >= n && ::memmem(block.get(), held, wanted.data(), n))
            return true;
        // Never more than is held: a source may deliver fewer bytes than it claimed.
        const std::size_t carry = std::min(n - 1, held);
        std::memmove(block.get(), block.get() + held - carry, carry);
        held = carry;
    }
}
