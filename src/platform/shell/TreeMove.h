#pragma once

#include "platform/shell/TreeCopy.h"

namespace platform::fileop {

// Moves the item at `from` onto `to` by renaming it; across filesystems it is copied,
// the copy flushed to disk, and the source removed only when all of it was copied. An
// existing target is replaced, or merged into, only when the user agrees (or already
// agreed for its directory: `askFirst` false). True when the whole item moved.
bool MoveItem(OperationRun& run, TreeCopier& copier, const Place& from, const Place& to, bool askFirst);

} // namespace platform::fileop
