#include "net/NetMd5.h"

#include "platform/base/Exception.h"
#include "platform/fs/OpenRegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kFileBlock = 102400;

std::uint32_t Word(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void PutWord(unsigned char* p, std::uint32_t w)
{
    p[0] = static_cast<unsigned char>(w);
    p[1] = static_cast<unsigned char>(w >> 8);
    p[2] = static_cast<unsigned char>(w >> 16);
    p[3] = static_cast<unsigned char>(w >> 24);
}

// The four auxiliary functions. Each step's b is the value the previous step just
// made, so every function is split into the part that waits for b and the part that
// does not: the latter is added to a while b is still being computed. G's two terms
// never have a bit in common and may be added one by one.
struct F {
    static std::uint32_t early(std::uint32_t, std::uint32_t) { return 0; }
    static std::uint32_t late(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return d ^ (b & (c ^ d)); }
};
struct G {
    static std::uint32_t early(std::uint32_t c, std::uint32_t d) { return ~d & c; }
    static std::uint32_t late(std::uint32_t b, std::uint32_t, std::uint32_t d) { return d & b; }
};
struct H {
    static std::uint32_t early(std::uint32_t, std::uint32_t) { return 0; }
    static std::uint32_t late(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return b ^ c ^ d; }
};
struct I {
    static std::uint32_t early(std::uint32_t, std::uint32_t) { return 0; }
    static std::uint32_t late(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return c ^ (b | ~d); }
};

template <typename Fn>
inline void Step(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x,
                 std::uint32_t t, int s)
{
    a += x + t + Fn::early(c, d);
    a += Fn::late(b, c, d);
    a = b + std::rotl(a, s);
}

// One round: 16 steps over the words picked by k = first + i * stride (mod 16), the
// shifts cycling through four values.
template <typename Fn, int First, int Stride>
inline void Round(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d, const std::uint32_t* x,
                  const std::uint32_t* t, const int (&s)[4])
{
    for (int i = 0; i < 16; i += 4) {
        Step<Fn>(a, b, c, d, x[(First + Stride * i) % 16], t[i], s[0]);
        Step<Fn>(d, a, b, c, x[(First + Stride * (i + 1)) % 16], t[i + 1], s[1]);
        Step<Fn>(c, d, a, b, x[(First + Stride * (i + 2)) % 16], t[i + 2], s[2]);
        Step<Fn>(b, c, d, a, x[(First + Stride * (i + 3)) % 16], t[i + 3], s[3]);
    }
}

// T[i] = floor(2^32 * |sin(i + 1)|), in RFC 1321's order.
constexpr std::uint32_t kT[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};
constexpr int kShift1[4] = {7, 12, 17, 22};
constexpr int kShift2[4] = {5, 9, 14, 20};
constexpr int kShift3[4] = {4, 11, 16, 23};
constexpr int kShift4[4] = {6, 10, 15, 21};

void Round1(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d, const std::uint32_t* x)
{
    Round<F, 0, 1>(a, b, c, d, x, kT, kShift1);
}

void Round2(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d, const std::uint32_t* x)
{
    Round<G, 1, 5>(a, b, c, d, x, kT + 16, kShift2);
}

void Round3(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d, const std::uint32_t* x)
{
    Round<H, 5, 3>(a, b, c, d, x, kT + 32, kShift3);
}

void Round4(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d, const std::uint32_t* x)
{
    Round<I, 0, 7>(a, b, c, d, x, kT + 48, kShift4);
}

std::string HexDigest(const TMD5Digest& digest)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(32);
    for (const unsigned char byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

[[noreturn]] void FileError(const std::string& what, const std::string& fileName, int error)
{
    throw platform::Exception(what + " \"" + fileName + "\": " + std::strerror(error));
}

void ReadExactly(int fd, unsigned char* buffer, std::size_t len, const std::string& fileName)
{
    while (len > 0) {
        const ssize_t got = ::read(fd, buffer, len);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            FileError("Cannot read file", fileName, errno);
        if (got == 0)
            throw platform::Exception("Cannot read file \"" + fileName + "\": it became shorter while it was read");
        buffer += got;
        len -= static_cast<std::size_t>(got);
    }
}

} // namespace

void MD5Transform(std::uint32_t (&State)[4], const unsigned char* Block)
{
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = Word(Block + 4 * i);
    std::uint32_t a = State[0], b = State[1], c = State[2], d = State[3];
    Round1(a, b, c, d, x);
    Round2(a, b, c, d, x);
    Round3(a, b, c, d, x);
    Round4(a, b, c, d, x);
    State[0] += a;
    State[1] += b;
    State[2] += c;
    State[3] += d;
}

void MD5Init(TMD5Context& Context)
{
    Context = TMD5Context{};
    Context.State[0] = 0x67452301;
    Context.State[1] = 0xefcdab89;
    Context.State[2] = 0x98badcfe;
    Context.State[3] = 0x10325476;
}

void MD5Update(TMD5Context& Context, const void* Data, std::size_t Len)
{
    const auto* input = static_cast<const unsigned char*>(Data);
    std::size_t filled = (Context.Count[0] >> 3) & 63;
    const std::uint32_t low = Context.Count[0] + static_cast<std::uint32_t>(Len << 3);
    Context.Count[1] += static_cast<std::uint32_t>(static_cast<std::uint64_t>(Len) >> 29) + (low < Context.Count[0]);
    Context.Count[0] = low;

    if (filled != 0) {
        const std::size_t take = std::min(Len, 64 - filled);
        std::memcpy(Context.BufChar + filled, input, take);
        input += take;
        Len -= take;
        filled += take;
        if (filled < 64)
            return;
        MD5Transform(Context.State, Context.BufChar);
    }
    // Whole blocks straight from the caller's data: no copy on the long path.
    for (; Len >= 64; input += 64, Len -= 64)
        MD5Transform(Context.State, input);
    std::memcpy(Context.BufChar, input, Len);
}

void MD5Final(TMD5Digest& Digest, TMD5Context& Context)
{
    unsigned char bits[8];
    PutWord(bits, Context.Count[0]);
    PutWord(bits + 4, Context.Count[1]);
    // 0x80, then zeros up to 56 bytes modulo 64, then the bit count.
    static constexpr unsigned char kPadding[64] = {0x80};
    const std::size_t filled = (Context.Count[0] >> 3) & 63;
    MD5Update(Context, kPadding, filled < 56 ? 56 - filled : 120 - filled);
    MD5Update(Context, bits, 8);
    for (int i = 0; i < 4; ++i)
        PutWord(Digest.data() + 4 * i, Context.State[i]);
    Context = TMD5Context{};
}

void MD5UpdateBuffer(TMD5Context& Context, const void* Data, std::size_t Len)
{
    MD5Update(Context, Data, Len);
}

std::string GetMD5(const void* Data, std::size_t Len)
{
    TMD5Context context;
    MD5Init(context);
    MD5UpdateBuffer(context, Data, Len);
    TMD5Digest digest;
    MD5Final(digest, context);
    return HexDigest(digest);
}

std::string StrMD5(const std::string& S)
{
    return GetMD5(S.data(), S.size());
}

std::string FileMD5(const std::string& FileName)
{
    // Only a regular file: a device would stream forever, a FIFO wait for a writer.
    const platform::FileDescriptor file = platform::OpenRegularFile(FileName);
    struct stat st {};
    if (::fstat(file.get(), &st) != 0)
        FileError("Cannot read file", FileName, errno);
    const off_t size = st.st_size;
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(kFileBlock);
    TMD5Context context;
    MD5Init(context);
    for (off_t left = size; left > 0;) {
        const std::size_t block = left < static_cast<off_t>(kFileBlock) ? static_cast<std::size_t>(left) : kFileBlock;
        ReadExactly(file.get(), buffer.get(), block, FileName);
        MD5UpdateBuffer(context, buffer.get(), block);
        left -= static_cast<off_t>(block);
    }
    TMD5Digest digest;
    MD5Final(digest, context);
    return HexDigest(digest);
}
