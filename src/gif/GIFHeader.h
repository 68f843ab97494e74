#pragma once

#include "gif/GIFColorMap.h"
#include "gif/GIFItem.h"
#include "gif/GIFStreamOps.h"

#include <array>
#include <cstdint>

// The signature, the logical screen descriptor (the 7 bytes exactly as in the file) and
// the global colour table.
class TGIFHeader final : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage* image);

    void LoadFromStream(platform::Stream& stream) override;
    // With the version and colour resolution its picture saves with.
    void SaveToStream(platform::Stream& stream) override;
    // Writes the signature with `version`, the descriptor and the global table.
    void SaveToStream(platform::Stream& stream, TGIFVersion version, int colorResolution);
    void Prepare(int colorResolution);
    TGIFVersion GetVersion() const override;
    void Clear();
    void Assign(const TGIFHeader& source);
    void Assign(const TGIFColorMap& source);

    int GetWidth() const { return LoadLE(0); }
    int GetHeight() const { return LoadLE(2); }
    void SetWidth(int width) { StoreLE(0, width); }
    void SetHeight(int height) { StoreLE(2, height); }
    int GetBackgroundColorIndex() const { return Descriptor[5]; }
    void SetBackgroundColorIndex(int index);
    platform::Rgb GetBackgroundColor() const { return ColorMap.LookupPadded(Descriptor[5]); }
    void SetBackgroundColor(platform::Rgb color);
    std::uint8_t GetAspectRatio() const { return Descriptor[6]; }
    void SetAspectRatio(std::uint8_t ratio) { Descriptor[6] = ratio; }
    int GetBitsPerPixel() const { return ColorMap.GetBitsPerPixel(); }
    int GetColorResolution() const { return GetBitsPerPixel() - 1; }

    std::array<std::uint8_t, 7> Descriptor{};
    TGIFGlobalColorMap ColorMap;

private:
    int LoadLE(int at) const { return LoadLE16(Descriptor.data() + at); }
    void StoreLE(int at, int value) { StoreClampedLE16(Descriptor.data() + at, value); }
};

// The ';' that ends a file.
class TGIFTrailer final : public TGIFItem {
public:
    using TGIFItem::TGIFItem;
    void LoadFromStream(platform::Stream& stream) override;
    void SaveToStream(platform::Stream& stream) override;
};
