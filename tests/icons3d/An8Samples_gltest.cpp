// The sample icons the build puts beside the program: every extension of the alias list has
// its file, and every master reads without a message, fits an icon's box, stays small and draws.
#include "icons3d/An8Draw.h"
#include "icons3d/An8Normalize.h"
#include "icons3d/LoadAn8Model.h"

#include "support/FileContents.h"
#include "support/IconView.h"
#include "support/gl/GlTestHelpers.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

const std::string kIcons = std::string(PELVAXON_BINARY_DIR) + "/icon3d/";

struct Alias {
    std::string master;
    std::vector<std::string> extensions;
};

std::vector<Alias> AliasList()
{
    std::istringstream lines(testsupport::readFile(std::string(PELVAXON_SOURCE_DIR) + "/data/icon3d/aliases.txt"));
    std::vector<Alias> list;
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(':');
        if (line.empty() || line[0] == '#' || colon == std::string::npos)
            continue;
        Alias alias{line.substr(0, colon), {}};
        std::istringstream words(line.substr(colon + 1));
        for (std::string word; words >> word;)
            alias.extensions.push_back(word);
        list.push_back(alias);
    }
    return list;
}

// The triangles a drawing sends, counted by OpenGL's feedback mode: a polygon of n corners is n - 2.
int CountTriangles(const std::function<void()>& draw)
{
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    int triangles = 0;
    for (GLint i = 0; i < used;) {
        const auto token = GLint(buffer[std::size_t(i)]);
        if (token == GL_POLYGON_TOKEN) {
            const auto corners = GLint(buffer[std::size_t(i) + 1]);
            triangles += corners - 2;
            i += 2 + 3 * corners;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            i += 7;
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            i += 2;
        } else {
            i += 4; // points and pixel operations: one vertex
        }
    }
    return triangles;
}

// Real texture names of one light texel in the current context: a textured face shows, where
// an unknown name would sample black on the black background.
class TexelTextures : public An8TextureLoader {
public:
    uint32_t LoadTexture(const std::string&) override
    {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        const unsigned char texel[4] = {220, 200, 160, 255};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
        return name;
    }
    void DeleteTexture(uint32_t id) override
    {
        const GLuint name = id;
        glDeleteTextures(1, &name);
    }
};

TEST(An8Samples, EveryExtensionOfTheAliasListHasItsMastersFile)
{
    const std::vector<Alias> list = AliasList();
    ASSERT_GE(list.size(), 12u);
    for (const Alias& alias : list) {
        const std::string master = testsupport::readFile(kIcons + alias.master + ".an8");
        EXPECT_FALSE(master.empty()) << alias.master;
        for (const std::string& extension : alias.extensions)
            EXPECT_EQ(testsupport::readFile(kIcons + extension + ".an8"), master) << extension;
    }
    EXPECT_FALSE(testsupport::readFile(kIcons + "picture.bmp").empty());
}

TEST(An8Samples, EachMasterReadsFitsAnIconsBoxStaysSmallAndDraws)
{
    IconView view(1.2);
    ASSERT_TRUE(testsupport::showAndWait(view));
    GLUquadric* quadric = gluNewQuadric();
    for (const Alias& alias : AliasList()) {
        SCOPED_TRACE(alias.master);
        TexelTextures textures;
        std::vector<std::string> messages;
        view.makeCurrent();
        auto model = LoadAn8Model(kIcons + alias.master + ".an8", kAn8ReadAll, textures,
                                  [&](const std::string& text) { messages.push_back(text); });
        view.doneCurrent();
        ASSERT_TRUE(model);
        EXPECT_EQ(messages, std::vector<std::string>{});
        EXPECT_FALSE(NormalizeModelSize(model->elements).tooComplex);
        const An8ModelSize size = MeasureModel(model->elements);
        for (int a = 0; a < 3; ++a)
            EXPECT_LE(size.maximum[a] - size.minimum[a], 0.25 + 1e-6) << "axis " << a;

        int glErrors = 0, triangles = 0;
        std::vector<std::string> gluErrors;
        const An8DrawContext context{*model, quadric, {},
                                     [&](const std::string& error) { gluErrors.push_back(error); }};
        view.draw = [&] {
            glEnable(GL_LIGHTING);
            triangles = CountTriangles([&] { DrawNodeList(context, model->elements); });
            glEnable(GL_LIGHTING);
            DrawNodeList(context, model->elements);
            glErrors += glGetError() != GL_NO_ERROR;
            EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_2D));
        };
        const QImage frame = testsupport::grabView(view);
        testsupport::saveScreenshotIfAsked(view, (alias.master + ".png").c_str());
        EXPECT_GT(testsupport::countPixelsUnlike(frame, Qt::black), 100);
        EXPECT_GT(triangles, 0);
        EXPECT_LE(triangles, 300);
        EXPECT_EQ(glErrors, 0);
        EXPECT_EQ(gluErrors, std::vector<std::string>{});
        view.makeCurrent();
        FreeAn8Textures(model->textures, [&](uint32_t id) { textures.DeleteTexture(id); });
        view.doneCurrent();
    }
    gluDeleteQuadric(quadric);
}

} // namespace
