#include "icons3d/An8Draw.h"

#include "support/IconView.h"
#include "support/LoadText.h"
#include "support/gl/GlTestHelpers.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QColor>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

const std::string kHeader = "header { version { \"1.0\" } }\n";
const std::string kRedObject = "object { \"o\" material { \"red\" surface { rgb { 255 0 0 } } }\n";

int Brightness(QRgb pixel) { return qRed(pixel) + qGreen(pixel) + qBlue(pixel); }

// Each model is drawn in a view under a panel's state; afterwards no lighting, blending or
// texturing is left on, the matrix stack is as it was, and neither OpenGL nor GLU reported an error.
class An8Draw : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(testsupport::showAndWait(view)); }
    void TearDown() override { EXPECT_EQ(gluErrors, std::vector<std::string>{}); }

    static std::unique_ptr<An8Model> Read(const std::string& body)
    {
        LoadText load(kHeader + body);
        EXPECT_EQ(load.messages, std::vector<std::string>{});
        return std::move(load.model);
    }

    void DrawChecked(const An8Model& model)
    {
        GLint before = 0, after = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before);
        DrawNodeList(An8DrawContext{model, view.quadric, text,
                                    [this](const std::string& error) { gluErrors.push_back(error); }},
                     model.elements);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
        EXPECT_EQ(after, before);
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        GLint shading = 0;
        glGetIntegerv(GL_SHADE_MODEL, &shading);
        EXPECT_EQ(shading, GL_SMOOTH);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    QImage Frame(const An8Model& model)
    {
        view.draw = [&] { DrawChecked(model); };
        return testsupport::grabView(view);
    }

    IconView view;
    std::function<void(const std::string&)> text;
    std::vector<std::string> gluErrors;
};

TEST_F(An8Draw, ASphereIsBrighterOnTheSideTowardsTheLight)
{
    const auto model = Read("object { \"o\" sphere { diameter { 1.5 } longlat { 24 12 } } }");
    const QImage frame = Frame(*model);
    EXPECT_NE(frame.pixel(64, 64) & 0xFFFFFF, 0u);
    EXPECT_EQ(frame.pixel(2, 2) & 0xFFFFFF, 0u);
    // The light comes from the upper right and the front.
    const int lit = Brightness(frame.pixel(64 + 22, 64 - 22));
    const int far = Brightness(frame.pixel(64 - 22, 64 + 22));
    EXPECT_GT(lit, far + 60) << lit << " against " << far;
}

TEST_F(An8Draw, AQuaternionTurnsACube)
{
    const auto footprint = [&](const std::string& orientation) {
        const auto bar = Read("object { \"o\" cube { scale { 1 0.1 0.1 } " + orientation + " } }");
        const QImage frame = Frame(*bar);
        return testsupport::countPixelsUnlike(frame, Qt::black, QRect(0, 64, 128, 1));
    };
    const int wide = footprint("");
    const int turned = footprint("orientation { (0 0.7071 0 0.7071) }");
    EXPECT_GT(wide, 40);
    EXPECT_LT(turned, 15) << "a quarter turn about y shows the bar end on";
}

TEST_F(An8Draw, AMeshIsTexturedOnlyWithTextureCoordinates)
{
    const std::string head = "texture { \"tex\" file { \"tex.bmp\" } }\n"
                             "object { \"o\" material { \"skin\" surface { rgb { 255 255 255 } texturename { \"tex\" } } }\n"
                             "mesh { material { \"skin\" } points { (-1 -1 0) (1 -1 0) (1 1 0) (-1 1 0) }\n";
    auto textured = Read(head + "texcoords { (0 0) (1 0) (1 1) (0 1) }\n"
                                "faces { 4 4 0 -1 ( (0 0) (1 1) (2 2) (3 3) ) } } }");
    auto plain = Read(head + "faces { 4 0 0 -1 ( (0) (1) (2) (3) ) } } }");
    ASSERT_EQ(textured->textures.size(), 1u);

    // Two texels, red and blue, side by side.
    view.makeCurrent();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const unsigned char texels[] = {255, 0, 0, 0, 0, 255};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    view.doneCurrent();
    textured->textures[0]->id = name;
    plain->textures[0]->id = name;

    const auto colours = [&](const An8Model& model) {
        const QImage frame = Frame(model);
        int reds = 0, blues = 0, greys = 0;
        for (int x = 8; x < 120; x += 4) {
            const QRgb p = frame.pixel(x, 64);
            reds += qRed(p) > 2 * qBlue(p) + 20;
            blues += qBlue(p) > 2 * qRed(p) + 20;
            greys += std::abs(qRed(p) - qBlue(p)) < 10 && qRed(p) > 40;
        }
        return std::vector<int>{reds, blues, greys};
    };
    const std::vector<int> both = colours(*textured);
    EXPECT_GT(both[0], 5);
    EXPECT_GT(both[1], 5);
    const std::vector<int> one = colours(*plain);
    EXPECT_EQ(one[0] + one[1], 0);
    EXPECT_GT(one[2], 20);
}

TEST_F(An8Draw, TextIsGreenAndUnlitWhateverCameBefore)
{
    const auto model = Read(kRedObject +
                            "sphere { material { \"red\" } diameter { 0.2 } base { origin { (0.6 0.6 0) } } }\n"
                            "textcom { string { \"T\" } size { 5 } base { origin { (-0.5 -0.5 0) } } } }");
    std::vector<std::string> texts;
    // Stands in for the view's glyphs: a unit square at the text's origin.
    text = [&](const std::string& string) {
        texts.push_back(string);
        glRectf(0, 0, 1, 1);
    };
    const QImage frame = Frame(*model);
    EXPECT_EQ(texts, std::vector<std::string>{"T"});
    EXPECT_EQ(frame.pixel(64, 64) & 0xFFFFFF, 0x00FF00u);
    EXPECT_GT(qRed(frame.pixel(64 + 36, 64 - 36)), 60) << "the sphere beside it";
}

TEST_F(An8Draw, AnIconUnderAPickNameGivesOneHitWithThatName)
{
    const auto model = Read("object { \"o\" sphere { diameter { 1 } } cube { base { origin { (0 0 -0.2) } } }\n"
                            "textcom { string { \"T\" } } }");
    int texts = 0;
    text = [&](const std::string&) { ++texts; };
    GLint hits = 0;
    GLuint buffer[64] = {};
    view.draw = [&] { hits = PickHits(7, [&] { DrawChecked(*model); }, buffer); };
    testsupport::grabView(view);
    ASSERT_EQ(hits, 1);
    EXPECT_EQ(buffer[0], 1u);
    EXPECT_EQ(buffer[3], 7u);
    EXPECT_EQ(texts, 0) << "no glyphs in a pick pass";
}

TEST_F(An8Draw, ACubeTakesItsMaterialAndANumberThatSelectsNothingTheDefault)
{
    // Drawn after a red cube, a cube of material 5 (or -1) is grey, not red.
    const auto model = Read(kRedObject +
                            "cube { material { \"red\" } base { origin { (-0.6 0 0) } } scale { 0.5 0.5 0.5 } }\n"
                            "cube { base { origin { (0.6 0 0) } } scale { 0.5 0.5 0.5 } } }");
    auto& second = const_cast<An8Cube&>(*model->objects.components.at(0).as<An8Object>()->components.at(1).as<An8Cube>());
    for (int32_t number : {5, -1}) {
        second.materialNumber = number;
        const QImage frame = Frame(*model);
        const QRgb left = frame.pixel(64 - 36, 64), right = frame.pixel(64 + 36, 64);
        EXPECT_GT(qRed(left), 60);
        EXPECT_GT(qRed(left), 2 * qGreen(left) + 10);
        EXPECT_GT(qRed(left), 2 * qBlue(left) + 10);
        EXPECT_LT(std::abs(qRed(right) - qGreen(right)), 12) << QColor(right).name().toStdString();
    }
}

} // namespace
