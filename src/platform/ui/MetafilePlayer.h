#pragma once

#include "platform/ui/MetafileLayout.h"

#include <cstdint>
#include <string>

namespace platform {

enum class MetafileKind { Wmf, Emf };

// The checked metafile played into SVG by pelvaxon-metafile, the program beside ours that
// runs the metafile libraries in a process of their own, bounded in memory and time: they
// crash or loop on some hostile files, and that must end with their process, not ours.
// Throws platform::Exception with the reason alone (the player's own, "playing it took
// longer than 10 seconds", "the metafile player ended on signal 11"); the caller names the
// file.
std::string PlayMetafile(MetafileKind kind, const MetafileLayout& layout);

// The whole of an open file, read from its start: a metafile, or the drawing played from one.
// Throws platform::Exception "WHAT is too large (N bytes)" past `limit`, or with the
// system's reason when it cannot be read.
std::string ReadWholeFile(int file, std::int64_t limit, const std::string& what);

} // namespace platform
