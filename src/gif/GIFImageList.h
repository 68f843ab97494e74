#pragma once

#include "gif/GIFList.h"
#include "gif/GIFSubImage.h"
#include "platform/graphics/Stream.h"

// The frames of a picture in file order.
class TGIFImageList final : public TGIFList<TGIFSubImage> {
public:
    using TGIFList::TGIFList;
    // Reads frames until the trailer, the end of the stream or a byte that begins no block.
    void LoadFromStream(platform::Stream& stream, TGIFImage* parent);
    // Each frame in order, with progress after each.
    void SaveToStream(platform::Stream& stream) const;
    TGIFSubImage* GetImage(int index) const { return GetItem(index); }
    std::unique_ptr<TGIFSubImage> SetImage(int index, std::unique_ptr<TGIFSubImage> image)
    {
        return SetItem(index, std::move(image));
    }
};
