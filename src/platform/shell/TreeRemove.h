#pragma once

#include "platform/shell/OperationRun.h"

namespace platform::fileop {

// Removes an item for good: a tree from its leaves up, never following a link and never
// entering another filesystem (a mount point inside is reported and kept, and so is
// every directory above it). True when the whole item is gone. Each entry counts as a
// step of the progress when `stoppable`; the source of a finished move is not, so that
// no Cancel leaves it half removed.
bool RemoveTree(OperationRun& run, const Place& item, bool stoppable);

} // namespace platform::fileop
