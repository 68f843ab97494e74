#pragma once

#include "platform/graphics/Rgb.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

class GifPersistent;

enum TGIFVersion { gvUnknown, gv87a, gv89a };
enum TGIFSeverity { gsInfo, gsWarning, gsError };
enum TProgressStage { psStarting, psRunning, psEnding };
// How frames are compressed when a picture is saved.
enum TGIFCompression { gcLZW, gcRLE };

// "87a", "89a", indexed by gv87a..gv89a.
inline constexpr std::string_view GIFVersions[] = {"", "87a", "89a"};

using TGIFWarning = std::function<void(GifPersistent* sender, TGIFSeverity severity, std::string_view message)>;
using TGIFProgress = std::function<void(GifPersistent* sender, TProgressStage stage, int percentDone, bool redrawNow,
                                        std::string_view message)>;

// What one picture may cost. A GIF of a few dozen bytes can claim a 4 GiB frame, so every
// allocation is checked against these first; a caller with good reason may raise them.
struct GifLimits {
    std::size_t maxFramePixels = std::size_t{64} << 20;
    std::size_t maxTotalPixels = std::size_t{512} << 20;
    // A composition of the whole logical screen (the still picture, an animation's buffers).
    std::size_t maxCanvasPixels = std::size_t{64} << 20;
    std::size_t maxFrames = 100000;
    std::size_t maxExtensions = 100000;
};

// The root of the codec's object tree: anything that can send a warning.
class GifPersistent {
public:
    GifPersistent() = default;
    GifPersistent(const GifPersistent&) = delete;
    GifPersistent& operator=(const GifPersistent&) = delete;
    virtual ~GifPersistent() = default;
};

class TGIFImage;
// Hands a warning to the picture's warning event; nothing when there is no picture.
void GifWarning(TGIFImage* image, GifPersistent* sender, TGIFSeverity severity, std::string_view message);

// A rectangle as left, top, right, bottom, the right and bottom edges excluded.
struct GifRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    friend constexpr bool operator==(const GifRect&, const GifRect&) = default;
};

// Sets a flag for as long as it lives: the guard against re-entering a call.
class GifBusyFlag {
public:
    explicit GifBusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    GifBusyFlag(const GifBusyFlag&) = delete;
    GifBusyFlag& operator=(const GifBusyFlag&) = delete;
    ~GifBusyFlag() { flag_ = false; }

private:
    bool& flag_;
};
