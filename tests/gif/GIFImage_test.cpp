// The picture class: its setters, the still composite, copying and packing, the clipboard.

#include "GifTestKit.h"
#include "support/Deadline.h"

#include "gif/GIFQImage.h"

#include <QMimeData>

#include <gtest/gtest.h>

using namespace giftest;
using namespace gifstrings;
using platform::Rgb;

namespace {

// The colour GifBuilder gives entry i.
Rgb Entry(int i)
{
    return {static_cast<std::uint8_t>(i * 40), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 7)};
}

// A 6x4 screen with background entry 2 and a 2x2 frame at (3, 1) whose pixel (1, 0) is
// transparent, then a second full-screen frame of entry 1.
Bytes SmallFirstFrame()
{
    GifBuilder b;
    b.header(6, 4, 4, 2);
    Append(b.bytes, {'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
    b.graphicControl(0x01, 5, 3).frame(3, 1, 2, 2, {0, 3, 1, 0});
    b.graphicControl(0x00, 5, 0).frame(0, 0, 6, 4, Bytes(24, 1));
    return b.trailer().bytes;
}

} // namespace

TEST(GIFImage, SettersRefuseWhatTheFramesCannotTakeAndClampTheRest)
{
    Loaded l = Load(SmallFirstFrame());
    TGIFImage& image = *l.image;
    EXPECT_THROW(image.SetWidth(4), GIFException);
    EXPECT_THROW(image.SetHeight(2), GIFException);
    EXPECT_EQ(image.GetWidth(), 6);
    EXPECT_EQ(image.GetHeight(), 4);
    try {
        image.SetWidth(5);
    } catch (const GIFException& e) {
        EXPECT_EQ(e.what(), std::string(sBadWidth));
    }
    image.SetWidth(8);
    EXPECT_EQ(image.GetWidth(), 8);

    image.SetAnimationSpeed(-5);
    EXPECT_EQ(image.GetAnimationSpeed(), 0);
    image.SetAnimationSpeed(5000);
    EXPECT_EQ(image.GetAnimationSpeed(), 1000);
    for (int bits : {2, 9})
        EXPECT_THROW(image.SetReductionBits(bits), GIFException) << bits;
    for (int bits : {3, 8}) {
        image.SetReductionBits(bits);
        EXPECT_EQ(image.GetReductionBits(), bits);
    }
    EXPECT_TRUE(image.Equals(image));
    EXPECT_FALSE(image.Equals(TGIFImage()));
}

TEST(GIFImage, StillCompositeIsTheFirstFrameOnTheBackgroundClippedToTheScreen)
{
    Loaded l = Load(SmallFirstFrame());
    platform::Bitmap still;
    l.image->AssignTo(still);
    ASSERT_EQ(still.width(), 6);
    ASSERT_EQ(still.height(), 4);
    EXPECT_EQ(still.pixelColor(0, 0), Entry(2)) << "background around the frame";
    EXPECT_EQ(still.pixelColor(3, 1), Entry(0));
    EXPECT_EQ(still.pixelColor(4, 1), Entry(2)) << "transparent pixel shows the background";
    EXPECT_EQ(still.pixelColor(3, 2), Entry(1)) << "frame 0, never the later full frame";
    EXPECT_EQ(still.pixelColor(5, 3), Entry(2));

    l.image->SetDisposalFillColor(Rgb{9, 8, 7});
    EXPECT_EQ(l.image->GetBitmap()->pixelColor(0, 0), (Rgb{9, 8, 7}));
    const platform::Bitmap alpha = l.image->ComposeStill(true);
    const QImage qimage = toQImage(alpha);
    EXPECT_EQ(qAlpha(qimage.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(qimage.pixel(4, 1)), 0);
    EXPECT_EQ(qimage.pixel(3, 1), qRgb(0, 255, 0));

    // Frames beyond or across the screen's edge are cut to it.
    GifBuilder b;
    b.header(100, 100, 4, 1).frame(300, 300, 20, 20, Bytes(400, 3)).trailer();
    l = Load(b.bytes);
    const platform::Bitmap* beyond = l.image->GetBitmap();
    ASSERT_NE(beyond, nullptr);
    EXPECT_EQ(beyond->pixelColor(99, 99), Entry(1));
    GifBuilder across;
    across.header(100, 100, 4, 1).frame(90, 95, 20, 20, Bytes(400, 3)).trailer();
    l = Load(across.bytes);
    EXPECT_EQ(l.image->GetBitmap()->pixelColor(99, 99), Entry(3));
    EXPECT_EQ(l.image->GetBitmap()->pixelColor(89, 99), Entry(1));
}

TEST(GIFImage, AHugeScreenRefusesCompositionAtOnce)
{
    GifBuilder b;
    b.header(65535, 65535, 2).frame(0, 0, 1, 1, {1}).trailer();
    Loaded l = Load(b.bytes);
    ASSERT_EQ(l.error, "");
    const std::string error = testsupport::finishWithin(std::chrono::seconds(2), [&] {
        try {
            l.image->GetBitmap();
        } catch (const GIFException& e) {
            return std::string(e.what());
        }
        return std::string("composed");
    });
    EXPECT_EQ(error, sBadDimension);
}

TEST(GIFImage, AssignCopiesEverythingAndKeepsItsOwnHandlers)
{
    Loaded l = Load(SmallFirstFrame());
    std::vector<std::string> sourceProgress;
    l.image->OnProgress = [&](GifPersistent*, TProgressStage, int percent, bool, std::string_view m) {
        sourceProgress.push_back(std::string(m) + " " + std::to_string(percent));
    };
    TGIFImage copy;
    int ownProgress = 0;
    copy.OnProgress = [&](GifPersistent*, TProgressStage, int, bool, std::string_view) { ++ownProgress; };
    copy.Assign(l.image.get());
    EXPECT_EQ(sourceProgress,
              (std::vector<std::string>{"Copying... 0", "Copying... 50", "Copying... 100", "Copying... 100"}));
    EXPECT_EQ(ownProgress, 0);
    ASSERT_TRUE(copy.OnProgress);
    EXPECT_EQ(Saved(copy), Saved(*l.image)) << "frames, tables and extensions";
    EXPECT_GT(ownProgress, 0) << "the copy reports its own saving to its own handler";

    // An empty frame keeps its extensions too; null clears.
    TGIFSubImage comments(&copy);
    comments.Assign(*l.image->Images.First());
    TGIFSubImage trailing(&copy);
    trailing.Extensions.Add(std::make_unique<TGIFCommentExtension>(&trailing));
    comments.Assign(trailing);
    EXPECT_TRUE(comments.GetEmpty());
    EXPECT_EQ(comments.Extensions.GetCount(), 1);
    copy.Assign(nullptr);
    EXPECT_TRUE(copy.GetEmpty());
}

TEST(GIFImage, PackMovesALoneFramesTableToTheGlobalOne)
{
    GifBuilder b;
    b.header(2, 1, 0).descriptor(0, 0, 2, 1, 0x81).colorTable(4).raw(EncodeLZW({2, 3}, 2)).trailer();
    Loaded l = Load(b.bytes);
    const platform::Bitmap before = *l.image->GetBitmap();
    l.image->SetDrawOptions(l.image->GetDrawOptions() | goTile);
    EXPECT_EQ(l.image->GetGlobalColorMap().GetCount(), 4);
    EXPECT_EQ(l.frame(0).ColorMap.GetCount(), 0);
    EXPECT_EQ(l.image->GetBitmap()->pixelColor(1, 0), before.pixelColor(1, 0));
    EXPECT_EQ(l.image->GetPalette().size(), 4u);
    l.image->SetDrawOptions(goDither);
    EXPECT_EQ(l.image->GetPalette().size(), 216u) << "dithering draws with the web palette";
}

TEST(GIFImage, ClipboardCarriesTheGifAndItsStillImage)
{
    Loaded l = Load(SmallFirstFrame());
    QMimeData data;
    l.image->SaveToClipboardFormat(data);
    EXPECT_EQ(qvariant_cast<QImage>(data.imageData()).pixel(0, 0), qRgb(80, 253, 14));
    TGIFImage pasted;
    pasted.LoadFromClipboardFormat(data);
    EXPECT_EQ(Saved(pasted), Saved(*l.image));
    // A bitmap without GIF data is the one frame.
    QMimeData bitmap;
    QImage colours(3, 1, QImage::Format_RGB32);
    colours.setPixel(0, 0, qRgb(255, 0, 0));
    colours.setPixel(1, 0, qRgb(0, 0, 255));
    colours.setPixel(2, 0, qRgb(255, 0, 0));
    bitmap.setImageData(colours);
    pasted.LoadFromClipboardFormat(bitmap);
    ASSERT_EQ(pasted.Images.GetCount(), 1);
    EXPECT_EQ(pasted.GetWidth(), 3);
    EXPECT_EQ(toQImage(*pasted.GetBitmap()).pixel(1, 0), qRgb(0, 0, 255));
    EXPECT_EQ(toQImage(*pasted.GetBitmap()).pixel(2, 0), qRgb(255, 0, 0));
    QMimeData text;
    text.setText("GIF89a");
    try {
        pasted.LoadFromClipboardFormat(text);
        ADD_FAILURE() << "text pasted as a picture";
    } catch (const GIFException& e) {
        EXPECT_EQ(e.what(), std::string(sUnsupportedClipboard));
    }
}
