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
    TGIFSubImage* GetImage(int index) const { return GetItem(index); }
};
