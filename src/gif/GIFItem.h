#pragma once

#include "gif/GIFTypes.h"
#include "platform/graphics/Stream.h"

#include <string>
#include <string_view>

class TGIFImage;

// A part of a GIF file that belongs to a picture: the header, a frame, an extension, the
// trailer. Warnings go up to the picture, which hands them to its warning event.
class TGIFItem : public GifPersistent {
public:
    explicit TGIFItem(TGIFImage* image) : Image(image) {}

    // The lowest file version this item needs.
    virtual TGIFVersion GetVersion() const { return gv87a; }
    virtual void LoadFromStream(platform::Stream& stream) = 0;
    virtual void SaveToStream(platform::Stream& stream) = 0;
    void LoadFromFile(const std::string& fileName);
    // The file is replaced only once everything is written; a failed save keeps it.
    void SaveToFile(const std::string& fileName);
    void Warning(TGIFSeverity severity, std::string_view message);

    TGIFImage* Image;
};
