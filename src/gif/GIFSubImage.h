#pragma once

#include "gif/GIFColorMap.h"
#include "gif/GIFExtension.h"
#include "gif/GIFItem.h"
#include "gif/GIFPixels.h"
#include "gif/GIFStreamOps.h"
#include "platform/graphics/Bitmap.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QImage;
class QPainter;
class QRect;
class TGIFGraphicControlExtension;

// One frame: the extensions before it, its image descriptor, its local colour table and
// its pixels as colour indices, rows top to bottom.
class TGIFSubImage final : public TGIFItem {
public:
    explicit TGIFSubImage(TGIFImage* image);
    ~TGIFSubImage() override;

    void LoadFromStream(platform::Stream& stream) override;
    // The extensions, then, unless the frame is empty, the descriptor, the local table and
    // the compressed pixels.
    void SaveToStream(platform::Stream& stream) override;
    TGIFVersion GetVersion() const override;
    void Clear();
    // A copy of `source`: descriptor, pixels, table, extensions and drawn bitmap. An empty
    // source gives its extensions only.
    void Assign(const TGIFSubImage& source);
    // A frame of `bitmap`'s size (GIFSubImageAssign.cpp): 1, 4 and 8 bits a pixel keep their
    // palette and indices, true colour is reduced with the picture's colour reduction,
    // reduction bits and dither mode. Pixels set in `mask` (1 bit a pixel, 1 = transparent)
    // become transparent. Reported as "Converting..."; on failure the frame is left empty.
    void Assign(const platform::Bitmap& bitmap, const platform::Bitmap* mask = nullptr);
    // Any image; pixels whose alpha is below 128 become transparent.
    void Assign(const QImage& image);
    // The drawn frame; an empty bitmap for an empty frame.
    void AssignTo(platform::Bitmap& target);
    // Decodes the image data that follows the descriptor and the local table.
    void Decompress(platform::Stream& stream);
    // The descriptor's flags from the local table, before writing.
    void Prepare();
    // Encodes the pixels with the picture's compression against the active table.
    void Compress(platform::Stream& stream) const;
    // Pixels beyond the active table are drawn black: the table is padded with black to
    // cover them, with a warning, so that the file saved shows the same.
    void PadColorMapToPixels();

    int GetLeft() const { return LoadLE(1); }
    int GetTop() const { return LoadLE(3); }
    int GetWidth() const { return LoadLE(5); }
    int GetHeight() const { return LoadLE(7); }
    // 1 left, 2 top, 3 width, 4 height.
    int GetBounds(int index) const;
    void SetBounds(int index, int value);
    void DoSetBounds(int left, int top, int width, int height);
    // The inverse of GetBoundsRect: right and bottom are excluded.
    void SetBoundsRect(const GifRect& rect);
    GifRect GetBoundsRect() const { return {GetLeft(), GetTop(), GetLeft() + GetWidth(), GetTop() + GetHeight()}; }
    GifRect GetClientRect() const { return {0, 0, GetWidth(), GetHeight()}; }
    bool GetInterlaced() const { return (Descriptor[9] & kInterlaced) != 0; }
    void SetInterlaced(bool interlaced);
    // No pixels: a frame of extensions only, or one of no area.
    bool GetEmpty() const { return pixels_.empty() || GetWidth() == 0 || GetHeight() == 0; }

    // The local table when it has entries or there is no global one, else the global.
    TGIFColorMap& GetActiveColorMap() const;
    int GetBitsPerPixel() const { return ColorMap.GetBitsPerPixel(); }
    int GetColorResolution() const { return GetBitsPerPixel() - 1; }

    // Delay and disposal come from the frame's first graphic control extension; the
    // transparent index from the first one whose transparent bit is set.
    TGIFGraphicControlExtension* GetGraphicControlExtension() const;
    bool GetTransparent() const { return GetTransparentIndex() >= 0; }
    int GetTransparentIndex() const;
    // The first graphic control extension, one being added when the frame has none.
    TGIFGraphicControlExtension& NeedGraphicControlExtension();
    // Makes the frame transparent with `index`: its first graphic control extension says so.
    void SetTransparentIndex(int index);
    // No graphic control extension of the frame says transparent any more.
    void DropTransparency();
    // Whether some pixel has the transparent index.
    bool UsesTransparentIndex() const;

    // Space optimisations (GIFSubImageOptimize.cpp). Crop cuts a transparent frame to the
    // box of its pixels that show; a frame with none left becomes empty (Clear).
    void Crop();
    // Pixels that `previous` already shows at the same place become transparent; nothing
    // happens when `previous` disposes to background or to previous.
    void Merge(const TGIFSubImage* previous);

    const TGIFPixels& GetData() const { return pixels_; }
    // False for a row the image data never reached: it holds only the fill the frame was
    // loaded with, and its memory has not been touched.
    bool RowHoldsData(int row) const;
    // Throw "Invalid pixel coordinates" outside the frame.
    std::uint8_t GetPixel(int x, int y) const;
    std::uint8_t* GetScanline(int y);
    void NewImage();
    void FreeImage();
    void NeedImage();

    // Colour-table support: counts the frame's use of its active table's entries, and
    // rewrites every index into that table (pixels, transparent and text colours).
    void CountColorUse(TUsageTable& usage) const;
    void MapColors(const TColorTranslation& map);

    // The frame drawn as an 8-bit bitmap whose palette is the active table padded to 256
    // entries; made on first use. Null for an empty frame.
    const platform::Bitmap* GetBitmap();
    // The transparency mask (1 bit a pixel, 1 = transparent), made with the bitmap when
    // some pixel is transparent; answers whether there is one.
    bool HasMask();
    const platform::Bitmap* GetMask() const { return mask_.get(); }
    void FreeBitmap();
    void FreeMask();
    // A blank 8-bit bitmap of the frame's size in place of the drawn one.
    void NewBitmap();
    // A copy of `bitmap` in place of the drawn one; null only frees it.
    void SetBitmap(const platform::Bitmap* bitmap);
    bool GetHasBitmap() const { return bitmap_ != nullptr; }
    // True draws the bitmap now, false frees it.
    void SetHasBitmap(bool hasBitmap);

    // Colours for drawing the frame: the drawn bitmap's, else the one kept, else the web
    // palette when the picture dithers, the picture's without a local table, or the local
    // table's. Empty means none.
    std::vector<platform::Rgb> GetPalette();
    // Keeps `palette`; a drawn bitmap with other colours is dropped and the picture told.
    void SetPalette(std::vector<platform::Rgb> palette);

    // Drawing onto a Qt canvas (GIFSubImageDraw.cpp). Draw maps `rect`, the whole
    // picture's place, to the frame's part of it, or tiles; nothing lands outside `rect`.
    void Draw(QPainter& canvas, const QRect& rect, bool transparent, bool tile);
    // The frame stretched (nearest neighbour) into `rect`; tiled, it is repeated at its own
    // size every picture width and height from its offset in `rect`. The mask applies when
    // `transparent` is asked and the frame has transparent pixels.
    void StretchDraw(QPainter& canvas, const QRect& rect, bool transparent, bool tile);
    // The frame's part of `rect` when `rect` shows the whole picture; empty while the
    // picture has no size.
    QRect ScaleRect(const QRect& rect) const;
    // The frame at its offset on `canvas`, a premultiplied ARGB bitmap of the logical
    // screen, with its transparency when `transparent`; whatever lies beyond is cut. Colours
    // come straight from the indices (from the drawn bitmap only when the picture dithers).
    void DrawInto(platform::Bitmap& canvas, bool transparent);

    // Separator, left, top, width, height, flags: the 10 bytes as in the file.
    std::array<std::uint8_t, 10> Descriptor{};
    TGIFLocalColorMap ColorMap;
    TGIFExtensionList Extensions;

private:
    static constexpr std::uint8_t kLocalTable = 0x80;
    static constexpr std::uint8_t kInterlaced = 0x40;
    static constexpr std::uint8_t kSortedTable = 0x20;

    int LoadLE(int at) const { return LoadLE16(Descriptor.data() + at); }
    void StoreLE(int at, int value) { StoreClampedLE16(Descriptor.data() + at, value); }
    // A buffer of width x height pixels set to `fill`; "Invalid image dimensions" beyond
    // the limits, "Failed to allocate memory for GIF DIB" when memory runs out.
    TGIFPixels NewPixels(int width, int height, std::uint8_t fill) const;
    void Render();
    // The table and indices of an 8-bit bitmap, or of a 24-bit one of at most 256 colours.
    void ImportPixels(const platform::Bitmap& bitmap);
    // Black is added as the transparent colour for the pixels `mask` sets, unless the
    // table is full ("Color table overflow" warning, the frame stays opaque).
    void TransparencyFromMask(const platform::Bitmap& mask);
    // The index the pixels `merged` marks (1 a pixel) become, one no other pixel has: another
    // frame's transparent index on the same global table, else a black entry added to the
    // active table; -1 when that table is empty or full.
    int NewTransparentIndex(const std::vector<std::uint8_t>& merged);
    // The logical screen's size, or the frame's extent when the screen has none.
    int PictureWidth() const;
    int PictureHeight() const;

    // How far a load's image data reached. Unset once pixels may have been written since, or
    // when they were never loaded: then every row counts as data.
    struct Reach {
        int rows = 0; // in the order rows arrive
        std::uint8_t fill = 0;
        bool interlaced = false;
    };

    TGIFPixels pixels_;
    std::optional<Reach> reach_;
    std::unique_ptr<platform::Bitmap> bitmap_;
    std::unique_ptr<platform::Bitmap> mask_;
    bool maskNeeded_ = true;
    std::vector<platform::Rgb> palette_;
};
