#pragma once

// The GIF picture: header, frames, extensions and colour tables as read from a file.

#include "gif/GIFApplicationExtension.h"
#include "gif/GIFColorMap.h"
#include "gif/GIFException.h"
#include "gif/GIFExtension.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFHeader.h"
#include "gif/GIFImageList.h"
#include "gif/GIFPainter.h"
#include "gif/GIFSettings.h"
#include "gif/GIFStrings.h"
#include "gif/GIFSubImage.h"
#include "gif/GIFTextExtension.h"
#include "gif/GIFTypes.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Stream.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QImage;
class QMimeData;
class QPainter;
class QRect;
class TGIFPaintSink;
class TGIFImage;
namespace platform {
class Picture;
}

using TGIFNotifyEvent = std::function<void(TGIFImage* sender)>;

// Fills `rect` of a premultiplied ARGB bitmap, cut to it, with `colour`, or makes it
// transparent.
void GifFillRect(platform::Bitmap& canvas, const GifRect& rect, std::optional<platform::Rgb> colour);

// A picture of the loader's that holds a GIF picture, as the one it reads GIF files into does.
class TGIFImageHolder {
public:
    virtual const TGIFImage& GetGIFImage() const = 0;

protected:
    ~TGIFImageHolder() = default;
};

class TGIFImage : public GifPersistent {
public:
    // Empty, with the codec-wide defaults of GIFSettings().
    TGIFImage();
    ~TGIFImage() override;

    // A failed load keeps the frames read before the error and puts the stream back where
    // it was.
    void LoadFromStream(platform::Stream& stream);
    void LoadFromFile(const std::string& fileName);
    // Header, frames and trailer; a write error passes on with nothing said to be done.
    void SaveToStream(platform::Stream& stream);
    // The file is replaced only once everything is written; a failed save keeps it.
    void SaveToFile(const std::string& fileName);
    // The picture streamed as part of a larger whole: the GIF data as SaveToStream writes it,
    // with GIFSettings().OptimizeOnStream after an Optimize with every option (no colour
    // reduction, nearest colours, 8 bits).
    void WriteData(platform::Stream& stream);
    // No frames, no global table, a 0 x 0 screen, no cached composite or palette.
    void Clear();

    // Takes a frame made for this picture; "Object type not supported for operation" for
    // none or one of another picture.
    int Add(std::unique_ptr<TGIFSubImage> frame);
    // A picture of any format the picture loader reads, converted into a new frame at the
    // top left with the colour reduction, bits and dither mode of this picture
    // ("Converting..."); the screen grows to hold it. A drawing (a metafile) is transparent
    // where it draws nothing. A picture without an image is "Object type not supported for
    // operation"; a failed conversion adds nothing.
    int Add(const platform::Picture& graphic);
    // A copy of `source`'s header, frames and drawing options, reported as "Copying..." to
    // the source's progress and warning handlers; this picture keeps its own handlers.
    // Null clears.
    void Assign(const TGIFImage* source);
    // In place of everything: the GIF picture `graphic` holds copied as Assign copies one,
    // every frame kept; any other converted into the one frame, as Add converts it.
    void Assign(const platform::Picture& graphic);
    // The still composite, or an empty bitmap for an empty picture.
    void AssignTo(platform::Bitmap& target);
    // Only the very same picture equals it.
    bool Equals(const TGIFImage& other) const { return this == &other; }
    // Drops cached bitmaps and palettes; a lone frame's table becomes the global one.
    void Pack();
    // Makes the picture smaller without changing what it shows (GIFImageOptimize.cpp):
    // tables sorted by use, needless transparency and disposals dropped, pixels the frame
    // before shows made transparent, transparent borders cut, needless extensions and frames
    // removed. Reported as "Optimizing..."; ooReduceColors with rmPalette is refused
    // ("Invalid reduction method") before anything changes.
    void Optimize(TGIFOptimizeOptions options, TColorReduction colorReduction, TDitherMode ditherMode,
                  int reductionBits);
    // One global table of the colours the frames use in place of every table: at most 256,
    // or 255 and a transparent entry; colours beyond them are drawn in the nearest kept one.
    void OptimizeColorMap();

    int GetWidth() const { return Header.GetWidth(); }
    int GetHeight() const { return Header.GetHeight(); }
    // "Image width too small for contained frames" when a frame reaches beyond `width`;
    // nothing changes then.
    void SetWidth(int width);
    void SetHeight(int height);
    bool GetEmpty() const { return Images.GetCount() == 0; }
    // The highest version any frame needs; unknown without frames.
    TGIFVersion GetVersion() const;
    // The version a save writes: what the header and every frame need, at least 87a.
    TGIFVersion GetSaveVersion() const;
    int GetColorResolution() const;
    int GetBitsPerPixel() const;
    bool GetIsTransparent() const;
    TGIFGlobalColorMap& GetGlobalColorMap() { return Header.ColorMap; }
    int GetBackgroundColorIndex() const { return Header.GetBackgroundColorIndex(); }
    void SetBackgroundColorIndex(int index);
    platform::Rgb GetBackgroundColor() const { return Header.GetBackgroundColor(); }
    void SetBackgroundColor(platform::Rgb color);
    std::uint8_t GetAspectRatio() const { return Header.GetAspectRatio(); }
    void SetAspectRatio(std::uint8_t ratio) { Header.SetAspectRatio(ratio); }

    TGIFDrawOptions GetDrawOptions() const { return drawOptions_; }
    void SetDrawOptions(TGIFDrawOptions options);
    int GetAnimationSpeed() const { return animationSpeed_; }
    // Percent of the stated speed, kept within 0..1000.
    void SetAnimationSpeed(int speed);
    int GetReductionBits() const { return reductionBits_; }
    // 3..8, else "Invalid Bits Per Pixel value".
    void SetReductionBits(int bits);
    // What frame areas are cleared with; none means the GIF's background colour.
    std::optional<platform::Rgb> GetDisposalFillColor() const { return disposalFillColor_; }
    void SetDisposalFillColor(std::optional<platform::Rgb> color);
    // Whether frames are drawn dithered to the web palette.
    bool DoDither() const;

    // The still picture: the first frame on the logical screen as premultiplied ARGB, over
    // DisposalFillColor (else the GIF background, black without a global table) or over
    // transparency, with its own transparency and cut to the screen; made afresh. Empty for
    // an empty picture; "Invalid image dimensions" when the screen is beyond
    // Limits.maxCanvasPixels.
    platform::Bitmap ComposeStill(bool transparentBackground = false);
    // The still picture over the background colour, made once and kept; null when empty.
    const platform::Bitmap* GetBitmap();
    // The cached composite, made empty (transparent) at the screen's size.
    void NewBitmap();
    void FreeBitmap();
    // A blank premultiplied ARGB bitmap of the screen's size, within Limits.maxCanvasPixels:
    // every composition of the whole screen starts from one.
    platform::Bitmap NewCanvas() const;

    // Colours for drawing: the web palette when dithering, else the global table, else the
    // first frame's. Empty means none.
    std::vector<platform::Rgb> GetPalette();
    void SetPalette(std::vector<platform::Rgb> palette);

    // Draws the picture into `rect`, with transparency (goTransparent) and tiled (goTile): a
    // still picture its first frame, an animated one (goAnimate) its newest composite, played
    // by a painter whose frames repaint `sink`. The first call for a sink and place waits for
    // the first frame, serving only the painters' hand-offs. A Draw from within a Draw, or
    // into an empty rectangle, does nothing.
    void Draw(QPainter& canvas, const QRect& rect, TGIFPaintSink* sink = nullptr);
    // Stops the animation Draw started and waits for its end (not from within a hand-off).
    void StopDraw();

    // Painters (GIFImagePaint.cpp). Paint makes and starts one for `rect` with `options`;
    // a synchronous one (no goAsync) has played before it returns, and none is answered.
    std::shared_ptr<TGIFPainter> Paint(TGIFPaintSink* sink, const GifRect& rect, TGIFDrawOptions options,
                                       platform::Rgb windowColor = {255, 255, 255});
    // The painter unstarted (asynchronous) or played (synchronous, answering none); none for
    // an empty picture or place. `asLastDraw` makes it the one Draw and the speed address.
    std::shared_ptr<TGIFPainter> InternalPaint(TGIFPainterSetup setup, bool asLastDraw);
    void PaintStart();
    void PaintPause();
    void PaintResume();
    void PaintRestart();
    // Stops every painter and waits until the asynchronous ones have ended; from within a
    // hand-off it only stops them.
    void PaintStop();
    const std::vector<std::shared_ptr<TGIFPainter>>& Painters() const { return painters_; }
    TGIFPainter* LastDrawPainter() const { return lastDrawPainter_; }
    // A painter's end: it leaves the list.
    void PainterEnded(TGIFPainter* painter);

    // The picture as "image/gif" bytes plus its still image; "Failed to store GIF on
    // clipboard" when memory runs out.
    void SaveToClipboardFormat(QMimeData& data);
    // "image/gif" bytes, else an image converted into the one frame as Assign converts a
    // picture; anything else raises "Unsupported clipboard format".
    void LoadFromClipboardFormat(const QMimeData& data);

    void Warning(GifPersistent* sender, TGIFSeverity severity, std::string_view message);
    void Progress(GifPersistent* sender, TProgressStage stage, int percentDone, bool redrawNow,
                  std::string_view message);
    // Something shown changed: OnChange is told.
    void Changed();
    // The global table changed: every frame drawn with it is drawn again.
    void ColorMapChanged();

    // Load bookkeeping against Limits: each raises when its limit is passed. A frame's own
    // size is checked where its pixels are made.
    void CountLoadedFrame();
    void CountLoadedExtension();
    void CountLoadedPixels(std::size_t pixels);

    TGIFHeader Header;
    TGIFImageList Images;
    GifLimits Limits;
    TColorReduction ColorReduction;
    TDitherMode DitherMode;
    TGIFCompression Compression;
    TGIFThreadPriority ThreadPriority; // painters run at the system's priority whatever it says
    bool PaletteModified = false;
    TGIFWarning OnCodecWarning;
    TGIFProgress OnProgress;
    TGIFNotifyEvent OnChange;
    TGIFPainterEvent OnPainterStart;
    TGIFPainterEvent OnFramePaint;
    TGIFPainterEvent OnFramePainted;
    TGIFPainterEvent OnAnimationLoop;
    TGIFPainterEvent OnPainterEnd;
    // Given to the painters made from now on: the clock (null: the steady clock) and what a
    // synchronous one does between its waits (null: serve the thread's messages).
    TGIFPainterClock* PainterClock = nullptr;
    std::function<bool()> PainterPump;

private:
    // `image` converted into a new frame (GIFImageConvert.cpp).
    int AddConverted(const QImage& image);
    // The frames replaced by `image` converted (GIFImageConvert.cpp).
    void AssignConverted(const QImage& image);
    void FixEmptyScreen();
    // Either side, or both; refused when a frame reaches beyond a side that is set.
    void SetScreenSize(std::optional<int> width, std::optional<int> height);
    void CheckCanvasSize() const;

    TGIFDrawOptions drawOptions_;
    int animationSpeed_;
    int reductionBits_;
    std::optional<platform::Rgb> disposalFillColor_;
    // Shared with the painter that composes into it.
    std::shared_ptr<platform::Bitmap> bitmap_;
    std::vector<std::shared_ptr<TGIFPainter>> painters_;
    TGIFPainter* lastDrawPainter_ = nullptr;
    // Expires with the picture: a wait that serves hand-offs tells by it that the picture has gone.
    std::shared_ptr<int> liveness_ = std::make_shared<int>(0);
    std::vector<platform::Rgb> palette_;
    bool drawing_ = false;
    bool inGetPalette_ = false;
    std::size_t loadedFrames_ = 0;
    std::size_t loadedExtensions_ = 0;
    std::size_t loadedPixels_ = 0;
};
