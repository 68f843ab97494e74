#pragma once

#include <string>
#include <string_view>

namespace platform {

// Paths use "/" only; "\" and ":" are ordinary name characters. A root ends in "/",
// any other directory does not.

// dir + "/" + name, without doubling the separator after a root or a trailing "/".
std::string JoinPath(std::string_view dir, std::string_view name);
// The path with exactly one "/" at its end.
std::string WithTrailingSeparator(std::string_view path);
// The last component: "c" of "/a/b/c", "" of "/".
std::string FileNameOf(std::string_view path);
// Everything before the last component, without its trailing "/" unless it is the root:
// "/a/b" of "/a/b/c", "/" of "/a", "" of a bare name.
std::string DirectoryOf(std::string_view path);
// The lower-case extension of the path's file name, dot included ("" when none).
std::string LowerExtensionOf(std::string_view path);
// Whether `path` is `ancestor` or lies below it, comparing whole components exactly:
// "/a" contains "/a/b" but not "/ab", and never "/A/b".
bool IsAncestorOrSame(std::string_view ancestor, std::string_view path);

} // namespace platform
