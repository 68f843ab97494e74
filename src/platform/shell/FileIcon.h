#pragma once

#include <QPixmap>

#include <functional>
#include <string>

namespace platform {

// The desktop's icon of a file given by its absolute path, as bytes: the icon theme's
// picture for the type its name and first bytes tell; null when the theme has none.
QPixmap FileIcon(const std::string& path);

// Where FileIcon takes its pictures from; tests install their own.
using FileIconSource = std::function<QPixmap(const std::string& path)>;
// Installs a source and returns the previous one, so a test can put it back.
FileIconSource setFileIconSource(FileIconSource source);

} // namespace platform
