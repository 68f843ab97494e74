#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace platform {

// The DOS attribute bits the listing and its filters speak in.
constexpr std::uint32_t attrReadOnly = 0x01;
constexpr std::uint32_t attrHidden = 0x02;
constexpr std::uint32_t attrSystem = 0x04;
constexpr std::uint32_t attrVolume = 0x08;
constexpr std::uint32_t attrDirectory = 0x10;
constexpr std::uint32_t attrArchive = 0x20;

// Attribute bits of a file from its mode (links already followed) and its name:
// read-only when the owner may not write, hidden for a dot name ("." and ".." excepted:
// they lead somewhere and must survive the hidden filter), system for devices, FIFOs and
// sockets. Volume and archive are never set: an archive bit on every file would make the
// attribute filter hide everything.
std::uint32_t AttributesOf(mode_t mode, std::string_view name);
// The name alone says hidden: a dot name other than "." and "..".
bool IsHiddenName(std::string_view name);

// Gives the file the read-only bit of `attributes`: setting it clears every write bit,
// clearing it gives the owner's back. The other bits cannot be set on this system and are
// left alone. A symbolic link is refused (EOPNOTSUPP) and what it points to left as it
// is. 0 on success, else the errno of the failure.
int SetAttributes(const std::string& path, std::uint32_t attributes);

} // namespace platform
