#pragma once

#include "platform/graphics/Stream.h"

#include <functional>
#include <string>

namespace platform {

// Saves a file without ever leaving it half-written: `write` fills a new file beside it,
// which takes the file's name (and mode) only once it is complete and on disk. When
// anything fails the old file stays as it was and no temporary is left behind. A name that
// is a symbolic link saves into the file it points to. Errors of `write` pass on unchanged;
// the replacement's own throw platform::Exception naming the file.
void ReplaceFile(const std::string& fileName, const std::function<void(Stream&)>& write);

} // namespace platform
