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

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

const std::string kIcons = std::string(PELVAXON_BINARY_DIR) + "/icon3d/";

// The alias list's lines "master: extension ...", each as its words, the master first.
std::vector<std::vector<std::string>> AliasList()
{
    std::istringstream lines(testsupport::readFile(std::string(PELVAXON_SOURCE_DIR) + "/data/icon3d/aliases.txt"));
    std::vector<std::vector<std::string>> list;
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(':');
        if (line.empty() || line[0] == '#' || colon == std::string::npos)
            continue;
        line[colon] = ' ';
        std::istringstream words(line);
        list.emplace_back(std::istream_iterator<std::string>(words), std::istream_iterator<std::string>());
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

TEST(An8Samples, EveryExtensionHasItsMastersFileAndEachMasterReadsFitsAnIconsBoxStaysSmallAndDraws)
{
    EXPECT_FALSE(testsupport::readFile(kIcons + "picture.bmp").empty());
    const auto list = AliasList();
    ASSERT_GE(list.size(), 12u);
    IconView view(1.2);
    ASSERT_TRUE(testsupport::showAndWait(view));
    for (const auto& alias : list) {
        const std::string& master = alias[0];
        SCOPED_TRACE(master);
        const std::string file = testsupport::readFile(kIcons + master + ".an8");
        EXPECT_FALSE(file.empty());
        for (std::size_t i = 1; i < alias.size(); ++i)
            EXPECT_EQ(testsupport::readFile(kIcons + alias[i] + ".an8"), file) << alias[i];

        TexelTextures textures;
        std::vector<std::string> messages;
        auto model = LoadAn8Model(kIcons + master + ".an8", kAn8ReadAll, textures,
                                  [&](const std::string& text) { messages.push_back(text); });
        ASSERT_TRUE(model);
        EXPECT_EQ(messages, std::vector<std::string>{});
        EXPECT_FALSE(NormalizeModelSize(model->elements).tooComplex);
        const An8ModelSize size = MeasureModel(model->elements);
        for (int a = 0; a < 3; ++a)
            EXPECT_LE(size.maximum[a] - size.minimum[a], 0.25 + 1e-6) << "axis " << a;

        int glErrors = 0, triangles = 0;
        std::vector<std::string> gluErrors;
        const An8DrawContext context{*model, view.quadric, {},
                                     [&](const std::string& error) { gluErrors.push_back(error); }};
        view.draw = [&] {
            triangles = CountTriangles([&] { DrawNodeList(context, model->elements); });
            glEnable(GL_LIGHTING);
            DrawNodeList(context, model->elements);
            glErrors += glGetError() != GL_NO_ERROR;
            EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_2D));
        };
        const QImage frame = testsupport::grabView(view);
        testsupport::saveScreenshotIfAsked(view, (master + ".png").c_str());
        EXPECT_GT(testsupport::countPixelsUnlike(frame, Qt::black), 100);
        EXPECT_GT(triangles, 0);
        EXPECT_LE(triangles, 300);
        EXPECT_EQ(glErrors, 0);
        EXPECT_EQ(gluErrors, std::vector<std::string>{});
        const platform::ResourceContextScope scope;
        glDeleteTextures(GLsizei(textures.names.size()), textures.names.data());
    }
}

} // namespace
