#pragma once

// Paths the FTP engine builds from what a client names, and the rule that keeps every one
// of them inside the client's home directory.

#include <cstdint>
#include <string>
#include <string_view>

namespace ftppath {

// Windows clients separate with backslashes: both count as "/".
std::string WithSlashes(std::string_view text);
// Whether the text begins with two separators, as a Windows share on another machine does.
bool IsUNC(std::string_view text);

// The path with "." and ".." resolved by their text alone (never above "/") and repeated
// "/" folded. A relative path is taken from "/". The result ends in "/" when the input
// did or its last component was "." or "..", so a directory stays recognisable.
std::string Normalized(std::string_view path);

// The directory form: normalised, ending in "/".
std::string AsDirectory(std::string_view path);

// Where a path lies for a client of the home: inside it (by whole components, and whatever
// part of it exists resolves, links followed, inside the home's real path), outside it by
// its very name, or named inside but leading out: through a link, or to a home that no
// longer exists or is no directory. To a client, what leads out is not there.
enum class Place { Inside, Outside, LeadsOut };
Place PlaceInHome(std::string_view home, std::string_view path);
// Whether the path is inside the home (above). A home that does not exist holds nothing.
bool InsideHome(std::string_view home, std::string_view path);
// Whether the path names the home itself, however it is spelt.
bool IsHome(std::string_view home, std::string_view path);
// Whether a path that exists resolves, links followed, to a place outside the real path of
// a home; a link that leads nowhere does not.
bool ResolvesOutside(const std::string& realHome, const std::string& path);
// The path with every link resolved; empty when some part of it does not exist.
std::string RealPath(const std::string& path);

// CR and LF would start a new reply line when a name is placed in an answer.
std::string Printable(std::string_view name);

// Whether a file, directory or hidden entry of that name exists (a trailing "/" aside);
// devices, FIFOs and sockets do not count, as a directory search leaves them out.
bool EntryExists(std::string_view path);
// Whether the name is an existing entry that is not a directory.
bool FileExists(std::string_view path);
// The size of an entry that is not a directory (0 for anything but a regular file), -1 when
// there is none.
std::int64_t FileSizeOf(std::string_view path);

} // namespace ftppath
