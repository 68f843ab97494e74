#pragma once

#include <string>

namespace platform {

// Our own look at a metafile before any library plays it: the frame of every record, and the
// size the picture is drawn at.
struct MetafileLayout {
    // The file as the player gets it: records after the end record dropped, a missing end
    // record added, and the header's counts (sizes, largest record) made true, since the
    // libraries allocate by them.
    std::string bytes;
    // Pixels at 96 dpi; 0 x 0 for a Windows metafile that states no size: the player measures
    // its drawing.
    int width = 0;
    int height = 0;
    // Where the picture lies in the played drawing's own coordinates, when that is not the
    // whole drawing (width 0): an enhanced metafile is played at the size of its bounds, what
    // was drawn, while its picture is its frame.
    double areaLeft = 0, areaTop = 0, areaWidth = 0, areaHeight = 0;
};

// A Windows metafile, with or without its placeable header. Throws platform::Exception with
// the reason alone ("cut short in its header", "the record at byte 40 runs past the end of the
// file", "the picture is too large (W x H pixels)", ...); the caller names the file.
MetafileLayout CheckWmf(std::string bytes);
// An enhanced metafile, likewise.
MetafileLayout CheckEmf(std::string bytes);

} // namespace platform
