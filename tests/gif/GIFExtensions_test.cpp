#include "GifTestKit.h"

#include <gtest/gtest.h>

#include <functional>

using namespace giftest;
using namespace gifstrings;

namespace {

// A 2x1 picture whose only frame is preceded by `extensions`.
Loaded WithExtensions(const Bytes& extensions)
{
    GifBuilder b;
    b.header(2, 1).raw(extensions).frame(0, 0, 2, 1, {1, 2}).trailer();
    return Load(b.bytes);
}

Bytes Saved(TGIFExtension& extension)
{
    platform::MemoryStream out;
    extension.SaveToStream(out);
    return {out.bytes().begin(), out.bytes().end()};
}

template <class Extension>
Extension* Only(const Loaded& l)
{
    EXPECT_EQ(l.error, "");
    if (l.image->Images.GetCount() == 0 || l.frame(0).Extensions.GetCount() != 1)
        return nullptr;
    return dynamic_cast<Extension*>(l.frame(0).Extensions.GetExtension(0));
}

Bytes AppExtension(const std::string& identifier, const Bytes& data, int blockSize = 11)
{
    Bytes b{'!', 0xFF, static_cast<std::uint8_t>(blockSize)};
    for (int i = 0; i < blockSize; ++i)
        b.push_back(i < static_cast<int>(identifier.size()) ? static_cast<std::uint8_t>(identifier[static_cast<std::size_t>(i)]) : 0);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

} // namespace

TEST(GIFExtensions, GraphicControlFieldsBlockSizesAndRepeats)
{
    const Loaded l = WithExtensions({'!', 0xF9, 4, 0x09 | 0x02, 0x2C, 0x01, 1, 0});
    auto* gce = Only<TGIFGraphicControlExtension>(l);
    ASSERT_NE(gce, nullptr);
    EXPECT_EQ(gce->GetDelay(), 300);
    EXPECT_EQ(gce->GetDisposal(), dmBackground);
    EXPECT_TRUE(gce->GetUserInput());
    EXPECT_TRUE(gce->GetTransparent());
    EXPECT_EQ(l.frame(0).GetTransparentIndex(), 1);
    EXPECT_EQ(gce->GetTransparentColor(), (platform::Rgb{40, 254, 7}));
    EXPECT_EQ(Saved(*gce), (Bytes{'!', 0xF9, 4, 0x0B, 0x2C, 0x01, 1, 0}));

    // Disposal values no method defines read as "no disposal" but are saved as they were.
    const Loaded odd = WithExtensions({'!', 0xF9, 4, 6 << 2, 0, 0, 0, 0});
    EXPECT_EQ(Only<TGIFGraphicControlExtension>(odd)->GetDisposal(), dmNoDisposal);
    EXPECT_EQ(Saved(*Only<TGIFGraphicControlExtension>(odd))[3], 6 << 2);

    // Any block size stays in step.
    for (int size : {0, 3, 4, 5, 7}) {
        Bytes block{'!', 0xF9, static_cast<std::uint8_t>(size)};
        const Bytes fields{0x01, 7, 0, 3, 0xAA, 0xBB, 0xCC};
        block.insert(block.end(), fields.begin(), fields.begin() + size);
        block.push_back(0);
        const Loaded sized = WithExtensions(block);
        auto* control = Only<TGIFGraphicControlExtension>(sized);
        ASSERT_NE(control, nullptr) << size;
        EXPECT_EQ(sized.frame(0).GetData(), (Bytes{1, 2})) << size;
        EXPECT_EQ(control->GetDelay(), size >= 4 ? 7 : 0);
        EXPECT_EQ(sized.warned(sOutOfData), size < 4);
        EXPECT_EQ(Saved(*control).size(), 8u) << "always written with size 4";
    }
    // Cut short by the end of the file: a warning, and the frame has no image.
    GifBuilder cut;
    const Loaded shortened = Load(cut.header(2, 1).raw({'!', 0xF9, 4, 1, 0}).bytes);
    EXPECT_EQ(shortened.error, "");
    EXPECT_TRUE(shortened.warned(sOutOfData));
    EXPECT_TRUE(shortened.frame(0).GetEmpty());

    // Two graphic controls and padding before the image.
    GifBuilder b;
    b.header(2, 1).graphicControl(0x08, 5, 0).graphicControl(0x01, 9, 3).raw({0, 0}).frame(0, 0, 2, 1, {1, 2});
    const Loaded two = Load(b.trailer().bytes);
    ASSERT_EQ(two.image->Images.GetCount(), 1);
    const TGIFSubImage& frame = two.frame(0);
    EXPECT_EQ(frame.Extensions.GetCount(), 2);
    EXPECT_EQ(frame.GetGraphicControlExtension()->GetDelay(), 5);
    EXPECT_EQ(frame.GetTransparentIndex(), 3) << "the first transparent one decides";
    EXPECT_TRUE(two.image->GetIsTransparent());
}

TEST(GIFExtensions, CommentsAndPlainText)
{
    Loaded l = WithExtensions({'!', 0xFE, 3, 'a', 0, 'b', 2, 'c', 'd', 0});
    auto* comment = Only<TGIFCommentExtension>(l);
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(comment->Text, (std::vector<std::string>{"a", "cd"}));

    comment->Text = {std::string(600, 'x')};
    Bytes saved = Saved(*comment);
    ASSERT_EQ(saved.size(), 2u + 1 + 255 + 1 + 255 + 1 + 90 + 1);
    EXPECT_EQ(saved[2], 255);
    EXPECT_EQ(saved[2 + 256], 255);
    EXPECT_EQ(saved[2 + 512], 90);
    comment->Text = {std::string(300, 'y'), ""};
    EXPECT_EQ(Saved(*comment).size(), 2u + 256 + 46 + 1);
    comment->Text.clear();
    EXPECT_EQ(Saved(*comment), (Bytes{'!', 0xFE, 0}));

    l = WithExtensions({'!', 0x01, 12, 1, 0, 2, 0, 30, 0, 8, 0, 6, 8, 1, 7, 2, 'h', 'i', 0});
    auto* text = Only<TGIFTextExtension>(l);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetBounds(3), 30);
    EXPECT_EQ(text->GetCharWidthHeight(2), 8);
    EXPECT_EQ(text->GetColorIndex(2), 7);
    EXPECT_EQ(text->GetForegroundColor(), (platform::Rgb{40, 254, 7}));
    EXPECT_EQ(text->GetBackgroundColor(), (platform::Rgb{})) << "beyond the table: black";
    EXPECT_EQ(text->Text, std::vector<std::string>{"hi"});
    EXPECT_EQ(Saved(*text), (Bytes{'!', 0x01, 12, 1, 0, 2, 0, 30, 0, 8, 0, 6, 8, 1, 7, 2, 'h', 'i', 0}));
}

TEST(GIFExtensions, LoopExtensionsAreReadAndOtherApplicationBlocksKeptAsTheyWere)
{
    for (const char* id : {"NETSCAPE2.0", "ANIMEXTS1.0"}) {
        const Loaded l = WithExtensions(AppExtension(id, {3, 1, 5, 0, 5, 2, 0x10, 0, 1, 0, 2, 7, 9, 0}));
        auto* loop = Only<TGIFAppExtNSLoop>(l);
        ASSERT_NE(loop, nullptr) << id;
        EXPECT_EQ(loop->Loops, 5);
        EXPECT_EQ(loop->BufferSize, 0x10010u);
        EXPECT_TRUE(l.warnings.empty());
    }
    EXPECT_EQ(WithExtensions(AppExtension("NETSCAPE2.0", {2, 1, 5, 0})).error, sInvalidData);
    EXPECT_EQ(WithExtensions(AppExtension("NETSCAPE2.0", {4, 2, 5, 0, 0, 0})).error, sInvalidData);

    TGIFAppExtNSLoop loop(nullptr);
    loop.Loops = 3;
    Bytes expected = AppExtension("NETSCAPE2.0", {3, 1, 3, 0, 0});
    EXPECT_EQ(Saved(loop), expected);
    loop.BufferSize = 0x01020304;
    expected.insert(expected.end() - 1, {5, 2, 4, 3, 2, 1});
    EXPECT_EQ(Saved(loop), expected);

    // A length that runs past the end of the file ends the loop with a warning.
    GifBuilder cut;
    const Loaded shortened = Load(cut.header(2, 1).raw(AppExtension("NETSCAPE2.0", {200, 7, 1})).bytes);
    EXPECT_EQ(shortened.error, "");
    EXPECT_TRUE(shortened.warned(sOutOfData));

    // Other application blocks are kept as they were.
    const Bytes other = AppExtension("XMP DataXMP", {3, 'a', 'b', 'c', 0});
    Loaded l = WithExtensions(other);
    auto* unknown = Only<TGIFUnknownAppExtension>(l);
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->GetIdentifier(), "XMP Data");
    EXPECT_EQ(unknown->GetAuthentication(), "XMP");
    EXPECT_EQ(Saved(*unknown), other);

    // Data that merely looks like a loop extension does not make one.
    l = WithExtensions(AppExtension("OTHERAPP1.0", {11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0}));
    EXPECT_NE(Only<TGIFUnknownAppExtension>(l), nullptr);

    // A 10-byte block is read as an unknown one and written with size 11.
    l = WithExtensions(AppExtension("ABCDEFGHIJ", {1, 'z', 0}, 10));
    unknown = Only<TGIFUnknownAppExtension>(l);
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(Saved(*unknown), AppExtension("ABCDEFGHIJ", {1, 'z', 0}));
    // Shorter blocks warn; longer ones are read to their end.
    l = WithExtensions(AppExtension("ABC", {0}, 3));
    EXPECT_EQ(Only<TGIFUnknownAppExtension>(l)->GetIdentifier(), "ABC");
    EXPECT_TRUE(l.warned(sBadBlockSize));
    l = WithExtensions(AppExtension("NETSCAPE2.0xyz", {3, 1, 2, 0, 0}, 14));
    EXPECT_NE(Only<TGIFUnknownAppExtension>(l), nullptr);
    EXPECT_EQ(l.frame(0).GetData(), (Bytes{1, 2}));

    TGIFUnknownAppExtension app(nullptr);
    app.SetIdentifier("ab");
    app.SetAuthentication("toolong");
    EXPECT_EQ(app.Ident, (TGIFApplicationExtension::Identifier{'a', 'b', 0, ' ', ' ', ' ', ' ', ' ', 't', 'o', 'o'}));
}

TEST(GIFExtensions, UnregisteredLabelsLoadWithAWarningSaveUnchangedAndStrayBytesEndTheList)
{
    const Bytes unknown{'!', 0x02, 2, 'o', 'k', 0};
    const Loaded l = WithExtensions(unknown);
    auto* extension = Only<TGIFUnknownExtension>(l);
    ASSERT_NE(extension, nullptr);
    EXPECT_EQ(l.warnings, std::vector<std::string>{std::string(sUnknownExtension)});
    EXPECT_EQ(Saved(*extension), unknown);
    EXPECT_EQ(extension->GetVersion(), gv89a);

    TGIFExtension::RegisterExtension(0x02, MakeExtension<TGIFCommentExtension>);
    EXPECT_EQ(WithExtensions({'!', 0x02, 0}).error, sBadExtensionInstance)
        << "a class registered for a label must answer that label";

    // Anything but an introducer ends the list.
    GifBuilder b;
    const Loaded stray = Load(b.header(2, 1).graphicControl(0, 4, 0).raw({0x3F}).frame(0, 0, 2, 1, {1, 2}).trailer().bytes);
    EXPECT_EQ(stray.error, "");
    EXPECT_TRUE(stray.warned(sBadExtensionLabel));
    EXPECT_TRUE(stray.warned(sBadBlock));
    ASSERT_GE(stray.image->Images.GetCount(), 1);
    EXPECT_TRUE(stray.frame(0).GetEmpty()) << "the stray byte is never read as a descriptor";
}

TEST(GIFExtensions, ColoursOfExtensionsMadeWithoutAFrame)
{
    TGIFGraphicControlExtension control(nullptr);
    control.SetTransparentColorIndex(9);
    EXPECT_EQ(control.GetTransparentColor(), platform::Rgb{});
    TGIFTextExtension text(nullptr);
    text.SetColorIndex(1, 4);
    EXPECT_EQ(text.GetForegroundColor(), platform::Rgb{});
    // A colour needs a table to live in.
    for (const auto& set : std::vector<std::function<void()>>{[&] { control.SetTransparentColor({1, 2, 3}); },
                                                              [&] { text.SetBackgroundColor({1, 2, 3}); }}) {
        try {
            set();
            ADD_FAILURE() << "a colour was stored without a table";
        } catch (const GIFException& e) {
            EXPECT_EQ(e.what(), sNoColorTable);
        }
    }
    EXPECT_EQ(control.GetTransparentColorIndex(), 9);
}
