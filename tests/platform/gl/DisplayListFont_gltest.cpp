#include "platform/gl/BitmapTextBatch.h"
#include "platform/gl/DisplayListFont.h"
#include "platform/gl/OutlineTextBatch.h"
#include "platform/gl/ResourceContext.h"

#include "support/gl/GlTestHelpers.h"

#include <GL/gl.h>
#include <QFont>
#include <QFontMetrics>
#include <QOpenGLFramebufferObject>
#include <gtest/gtest.h>

#include <memory>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

constexpr int sceneWidth = 200;
constexpr int sceneHeight = 100;

QFont arial(int pixels)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    return font;
}

// Draws into an offscreen framebuffer of the shared resource context, one pixel per unit.
class FontScene : public ::testing::Test {
protected:
    void SetUp() override
    {
        scope_ = std::make_unique<platform::ResourceContextScope>();
        fbo_ = std::make_unique<QOpenGLFramebufferObject>(sceneWidth, sceneHeight);
        ASSERT_TRUE(fbo_->bind());
        glViewport(0, 0, sceneWidth, sceneHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, sceneWidth, 0, sceneHeight, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
    }

    void TearDown() override
    {
        fbo_->release();
        fbo_.reset();
        scope_.reset();
    }

    QImage picture()
    {
        glFinish();
        return testsupport::readPixels(QRect(0, 0, sceneWidth, sceneHeight));
    }

    int litPixels() { return testsupport::countPixelsUnlike(picture(), Qt::black); }

    void clear() { glClear(GL_COLOR_BUFFER_BIT); }

private:
    std::unique_ptr<platform::ResourceContextScope> scope_;
    std::unique_ptr<QOpenGLFramebufferObject> fbo_;
};

TEST_F(FontScene, BitmapTextDrawsAtTheRasterPositionAndAdvancesIt)
{
    const QFont font = arial(16);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    auto f = platform::Create2DFont(&font, 32, 96);
    ASSERT_NE(f, nullptr);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8) << "making the font must leave the caller's unpacking alone";
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    for (int i = 0; i < 96; ++i)
        ASSERT_TRUE(glIsList(f->base + i)) << "code " << 32 + i;

    QFont plain = font;
    plain.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(plain);
    GLfloat raster[4];
    glRasterPos2i(20, 40);
    platform::Draw2DText(f.get(), "a  b");
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_NEAR(raster[0], 20 + metrics.horizontalAdvance("a") + 2 * metrics.horizontalAdvance(" ")
                               + metrics.horizontalAdvance("b"), 0.01)
        << "a glyph without pixels advances too";
    clear();

    glRasterPos2i(20, 40);
    platform::Draw2DText(f.get(), "abc");
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_NEAR(raster[0], 20 + metrics.horizontalAdvance("a") + metrics.horizontalAdvance("b")
                               + metrics.horizontalAdvance("c"), 0.01);

    const QImage image = picture();
    int left = sceneWidth, right = -1, top = sceneHeight, bottom = -1;
    for (int y = 0; y < sceneHeight; ++y)
        for (int x = 0; x < sceneWidth; ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0) << "nothing drawn";
    // Image rows run down; the baseline (window y 40) is image row 59.
    EXPECT_GE(left, 20);
    EXPECT_LE(right, static_cast<int>(raster[0]));
    EXPECT_GE(top, 59 - metrics.ascent());
    EXPECT_LE(bottom, 59);
}

TEST_F(FontScene, OneCharacterOutsideTheRangeDrawsNothingAtAll)
{
    const QFont font = arial(16);
    auto f = platform::Create2DFont(&font, 32, 96);
    ASSERT_NE(f, nullptr);
    glListBase(7);
    for (const char* text : {"ab\xC3\x88" "c", "\xC3\x88", "tab\there", "bad \xFF byte", ""}) {
        clear();
        glRasterPos2i(20, 40);
        platform::Draw2DText(f.get(), text);
        EXPECT_EQ(litPixels(), 0) << text;
    }
    platform::Draw2DText(nullptr, "abc");
    EXPECT_EQ(litPixels(), 0);
    GLint listBase = 0;
    glGetIntegerv(GL_LIST_BASE, &listBase);
    EXPECT_EQ(listBase, 7);

    // Code 200 is drawn by a font that covers it.
    auto wide = platform::Create2DFont(&font, 32, 224);
    glRasterPos2i(20, 40);
    platform::Draw2DText(wide.get(), "\xC3\x88");
    EXPECT_GT(litPixels(), 5);
}

TEST_F(FontScene, NothingIsMadeWithoutAFontOrARange)
{
    const QFont font = arial(16);
    EXPECT_EQ(platform::Create2DFont(nullptr, 32, 96), nullptr);
    EXPECT_EQ(platform::Create2DFont(&font, 32, 0), nullptr);
    EXPECT_EQ(platform::Create3DFont(nullptr, 32, platform::WGL_FONT_POLYGONS, 0.1f, 0, 96), nullptr);
    EXPECT_EQ(platform::Create3DFont(&font, 32, platform::WGL_FONT_POLYGONS, 0.1f, 0, -1), nullptr);
}

TEST_F(FontScene, OutlineGlyphsAreSolidWithHolesAndFaceOutwardOnBothSides)
{
    const QFont font = arial(16);
    auto f = platform::Create3DFont(&font, 32, platform::WGL_FONT_POLYGONS, 0.2f, 0, 96);
    ASSERT_NE(f, nullptr);
    const platform::GLYPHMETRICSFLOAT& o = f->metrics['O' - 32];
    ASSERT_GT(o.gmfBlackBoxX, 0.3f);
    ASSERT_GT(o.gmfBlackBoxY, 0.3f);

    // With back faces culled, the front face shows from the front and the back face from behind.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    for (const bool fromBehind : {false, true}) {
        clear();
        glLoadIdentity();
        glTranslatef(60, 10, 0);
        glScalef(80, 80, 80);
        if (fromBehind) {
            glTranslatef(o.gmfptGlyphOrigin.x + o.gmfBlackBoxX / 2, 0, 0);
            glRotatef(180, 0, 1, 0);
            glTranslatef(-(o.gmfptGlyphOrigin.x + o.gmfBlackBoxX / 2), 0, 0);
        }
        glFrontFace(GL_CW);
        const double cx = o.gmfptGlyphOrigin.x + o.gmfBlackBoxX / 2;
        const double cy = o.gmfptGlyphOrigin.y - o.gmfBlackBoxY / 2;
        const QPoint centre = testsupport::toImagePosition(testsupport::projectToWindow(cx, cy, 0), sceneHeight);
        const QPoint leftEdge = testsupport::toImagePosition(
            testsupport::projectToWindow(o.gmfptGlyphOrigin.x + 0.03, cy, 0), sceneHeight);
        const QPoint rightEdge = testsupport::toImagePosition(
            testsupport::projectToWindow(o.gmfptGlyphOrigin.x + o.gmfBlackBoxX - 0.03, cy, 0), sceneHeight);
        platform::Draw3DText(f.get(), "O");
        GLint frontFace = 0;
        glGetIntegerv(GL_FRONT_FACE, &frontFace);
        EXPECT_EQ(frontFace, GL_CW) << "the caller's winding survives the text";
        glFrontFace(GL_CCW);

        const QImage image = picture();
        EXPECT_EQ(image.pixel(centre) & 0xFFFFFF, 0u) << "the hole of the O is open, from behind " << fromBehind;
        EXPECT_NE(image.pixel(leftEdge) & 0xFFFFFF, 0u) << "from behind " << fromBehind;
        EXPECT_NE(image.pixel(rightEdge) & 0xFFFFFF, 0u) << "from behind " << fromBehind;
    }
    glDisable(GL_CULL_FACE);
}

TEST_F(FontScene, OutlineGlyphListsAdvanceByTheirCellAndLinesDrawOutlines)
{
    const QFont font = arial(16);
    auto f = platform::Create3DFont(&font, 32, platform::WGL_FONT_LINES, 0.1f, 0.01f, 96);
    ASSERT_NE(f, nullptr);
    glTranslatef(10, 20, 0);
    glScalef(40, 40, 40);
    platform::Draw3DText(f.get(), "Wi");
    GLfloat matrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_NEAR(matrix[12], 10 + 40 * (f->metrics['W' - 32].gmfCellIncX + f->metrics['i' - 32].gmfCellIncX), 1e-3);
    EXPECT_GT(litPixels(), 20);

    clear();
    glLoadIdentity();
    platform::Draw3DText(f.get(), "W\xC3\x88");
    EXPECT_EQ(litPixels(), 0);
}

TEST_F(FontScene, TextSizeOfOneGlyphIsItsBlackBoxAndTheExtrusion)
{
    const QFont font = arial(16);
    auto f = platform::Create3DFont(&font, 32, platform::WGL_FONT_POLYGONS, 0.25f, 0, 96);
    ASSERT_NE(f, nullptr);
    const platform::GLYPHMETRICSFLOAT& w = f->metrics['W' - 32];
    EXPECT_GT(w.gmfBlackBoxX, 0.5f);
    EXPECT_GT(w.gmfCellIncX, 0.5f);
    EXPECT_EQ(f->metrics[0].gmfBlackBoxX, 0) << "a space has no outline";
    EXPECT_GT(f->metrics[0].gmfCellIncX, 0) << "but still advances";

    double size[3] = {7, 7, 7};
    platform::Get3DTextSize(f.get(), "", size);
    EXPECT_EQ(size[0], 7);
    platform::Get3DTextSize(f.get(), "W", size);
    EXPECT_FLOAT_EQ(size[0], w.gmfBlackBoxX);
    EXPECT_FLOAT_EQ(size[1], w.gmfBlackBoxY);
    EXPECT_FLOAT_EQ(size[2], 0.25f);
}

// Labels of every kind a frame has: large and small, at fractional places, with blanks, one
// holding a character the fonts lack, one running off the view and one starting outside it.
struct Label {
    const char* text;
    double x, y, size;
    std::array<float, 3> colour;
};
const Label labels[] = {
    {"Wax 12", 5, 70, 18, {1, 1, 1}},      {"a  b.c", 60.3, 40.7, 11, {1, 0.5f, 0}},
    {"tiny", 120.6, 10.2, 2.5, {0, 1, 0}}, {"bad \xC3\x88", 20, 20, 20, {1, 0, 0}},
    {"far off", 170, 50, 30, {0, 0, 1}},   {"outside", -40, 50, 12, {1, 1, 0}},
};

platform::Matrix4 Place(const Label& label, double dx = 0)
{
    return {label.size, 0, 0, 0, 0, label.size, 0, 0, 0, 0, label.size, 0, label.x + dx, label.y, 0, 1};
}

int Differing(const QImage& a, const QImage& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

TEST_F(FontScene, AnOutlineBatchDrawsWhatItsTextsDrawAndDrawsAfreshWhenAnythingChanges)
{
    const QFont font = arial(12);
    for (const int format : {platform::WGL_FONT_POLYGONS, platform::WGL_FONT_LINES}) {
        SCOPED_TRACE(format == platform::WGL_FONT_LINES ? "lines" : "polygons");
        glLoadIdentity();
        auto f = platform::Create3DFont(&font, 32, format, 0.1f, 0.1f, 96);
        ASSERT_NE(f, nullptr);
        const auto drawTexts = [&] {
            clear();
            for (const Label& label : labels) {
                glPushMatrix();
                glMultMatrixd(Place(label).data());
                glColor3fv(label.colour.data());
                platform::Draw3DText(f.get(), label.text);
                glPopMatrix();
            }
            return picture();
        };
        platform::OutlineTextBatch batch;
        const auto drawBatch = [&](double dx, const std::array<float, 3>& firstColour) {
            batch.Clear();
            for (const Label& label : labels)
                batch.Add(*f, label.text, Place(label, dx), &label == &labels[0] ? firstColour : label.colour);
            clear();
            batch.Draw();
            return picture();
        };
        const QImage batched = drawBatch(0, labels[0].colour);
        EXPECT_LE(Differing(drawTexts(), batched), 2) << "no more than rounding at an edge";
        EXPECT_GT(testsupport::countPixelsUnlike(batched, Qt::black), format == platform::WGL_FONT_LINES ? 150 : 300);
        EXPECT_EQ(drawBatch(0, labels[0].colour), batched) << "the same labels again";

        const QImage recoloured = drawBatch(0, {0, 1, 1});
        const QRect first(5, 10, 60, 25);
        int lit = 0, cyan = 0;
        for (int y = first.top(); y <= first.bottom(); ++y)
            for (int x = first.left(); x <= first.right(); ++x) {
                lit += (recoloured.pixel(x, y) & 0xFFFFFF) != 0;
                cyan += (recoloured.pixel(x, y) & 0xFFFFFF) == 0x00FFFF;
            }
        EXPECT_GT(lit, 20);
        EXPECT_EQ(cyan, lit) << "the first label in its new colour";
        EXPECT_GT(Differing(drawBatch(0.5, labels[0].colour), batched), 20) << "labels moved by half a pixel";

        // The same labels in a view that brings the one which began outside it in.
        drawBatch(0, labels[0].colour);
        glTranslatef(60, 0, 0);
        EXPECT_LE(Differing(drawTexts(), drawBatch(0, labels[0].colour)), 2);
    }
}

TEST_F(FontScene, ABitmapBatchDrawsWhatItsTextsDrawAtTheirRasterPositionsAndLeavesTheStateAlone)
{
    const QFont font = arial(12);
    auto f = platform::Create2DFont(&font, 32, 96);
    ASSERT_NE(f, nullptr);
    for (const Label& label : labels) {
        glColor3fv(label.colour.data());
        glRasterPos2d(label.x, label.y);
        platform::Draw2DText(f.get(), label.text);
    }
    const QImage texts = picture();
    clear();
    platform::BitmapTextBatch batch;
    for (const Label& label : labels) {
        glRasterPos2d(label.x, label.y);
        batch.Add(*f, label.text, label.colour);
    }
    glColor3f(0.25f, 0.5f, 0.75f);
    batch.Draw();
    EXPECT_EQ(picture(), texts);
    EXPECT_GT(testsupport::countPixelsUnlike(texts, Qt::black), 100);

    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[2], 0.75f);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_EQ(projection[0], 2.0f / sceneWidth);

    // A glyph wider than the narrowest atlas, and a font whose atlas would be too tall for any
    // texture: both labels show as their lists draw them.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const QFont huge = arial(800);
    for (const int count : {1, 96}) {
        auto big = platform::Create2DFont(&huge, count == 1 ? 'M' : 32, count);
        ASSERT_NE(big, nullptr);
        if (count == 1) {
            EXPECT_GT(big->atlasWidth, 512);
        } else if (largest <= 16384) {
            EXPECT_EQ(big->atlas, 0u) << "an atlas " << big->atlasWidth << " by " << big->atlasHeight;
        }
        clear();
        glColor3f(1, 1, 0);
        glRasterPos2i(1, 1);
        platform::Draw2DText(big.get(), "M");
        const QImage lists = picture();
        clear();
        batch.Clear();
        glColor3f(1, 1, 0);
        glRasterPos2i(1, 1);
        batch.Add(*big, "M", {1, 1, 0});
        batch.Draw();
        EXPECT_EQ(picture(), lists) << count << " glyphs";
        EXPECT_GT(testsupport::countPixelsUnlike(lists, Qt::black), 1000) << count << " glyphs";
    }
}

} // namespace
