#pragma once

// MD5 message digests as RFC 1321 defines them, and their hexadecimal text.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

struct TMD5Context {
    std::uint32_t State[4];      // A, B, C, D
    std::uint32_t Count[2];      // message length in bits: low word, high word
    unsigned char BufChar[64];   // the block being filled
};

using TMD5Digest = std::array<unsigned char, 16>;

void MD5Init(TMD5Context& Context);
void MD5Update(TMD5Context& Context, const void* Data, std::size_t Len);
// Pads, appends the bit count, gives the digest and wipes the context.
void MD5Final(TMD5Digest& Digest, TMD5Context& Context);
// One 64-byte block into the four state words.
void MD5Transform(std::uint32_t (&State)[4], const unsigned char* Block);
// The same as MD5Update; kept as the entry the digest helpers feed through.
void MD5UpdateBuffer(TMD5Context& Context, const void* Data, std::size_t Len);

// 32 upper-case hexadecimal digits.
std::string GetMD5(const void* Data, std::size_t Len);
std::string StrMD5(const std::string& S);
// The digest of a regular file's content, read in blocks of 102400 bytes. Raises
// platform::Exception naming the file when it cannot be opened or read, is not a
// regular file, or shrinks while it is read.
std::string FileMD5(const std::string& FileName);
