#pragma once

#include <string>

// Runs of backslashes in a texture path become one, as the files store them doubled.
std::string An8FoldBackslashes(const std::string& path);

// Where the texture a file names really is. Paths were mostly written on Windows: "\" is a
// separator, a relative path belongs to the .an8 file's own directory (never the process's
// current directory, which follows the panels), letter case may differ from the disk, and a
// drive path that does not exist here is looked for by its file name beside the .an8 file.
// Returns the best candidate even when nothing exists, so the loader's message names it.
std::string An8ResolveTexturePath(const std::string& written, const std::string& an8Directory);
