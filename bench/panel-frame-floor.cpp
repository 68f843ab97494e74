// Harness for bench/panel-frame.sh: the floor under a panel's frame. A bare OpenGL view of
// 1024x768 draws what the panel draws for the same listing and camera (background quad,
// blocks, labels, path, file plane) with everything worked out beforehand: each block one
// colour and one call of one of three display lists, each label a ready string through the
// same display-list fonts. Prints the median:
//   floor <ms>

#include "PanelFrameBench.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelBlocks.h"
#include "filemanager/PanelTexts.h"
#include "filemanager/dir.h"
#include "platform/fs/CurrentDir.h"
#include "platform/gl/OpenGLSetup.h"

#include <GL/glu.h>
#include <QApplication>
#include <QLocale>

#include <array>
#include <cstdio>

namespace {

struct Label {
    std::string text;
    std::array<float, 3> colour;
    float z;
    float scale;
};

struct Block {
    double x, z, height;
    GLuint list;
    std::array<std::int8_t, 3> colour;
    std::vector<Label> labels;
};

GLuint CompileMesh(const BlockMesh& mesh)
{
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glBegin(mesh.faces.front().count == 4 ? GL_QUADS : GL_TRIANGLES);
    for (const MeshFace& face : mesh.faces) {
        glNormal3fv(face.normal.data());
        for (int v = 0; v < face.count; ++v)
            glVertex3fv(mesh.vertices[std::size_t(face.index[std::size_t(v)])].data());
    }
    glEnd();
    glEndList();
    return list;
}

} // namespace

int main(int argc, char** argv)
{
    const panelbench::Options options = panelbench::ParseOptions(argc, argv);
    platform::PrepareOpenGLBeforeApplication();
    QApplication application(argc, argv);

    TOpenGLPanel view;
    const QFont font(QStringLiteral("Arial"), 8);
    view.SetFont(font);
    view.SetFont3DType(font);
    view.Font2D_Enabled = view.Font3D_Enabled = true;
    view.Font2D_NumGylph = view.Font3D_NumGylph = 223;
    view.Font3D_MaxDeviation = 0.1f;
    view.Font3D_Extrustion = 0.001f;
    view.cDepthBits = 24;
    view.OnInit = [](TOpenGLPanel*) {};
    if (!panelbench::WaitForContext(view, view) || !view.MakeOpenGLPanelCurrent()) {
        std::fprintf(stderr, "the view got no OpenGL context\n");
        return 1;
    }

    if (!platform::ChangeDir(options.dir)) {
        std::perror(options.dir.c_str());
        return 1;
    }
    Tdir dir;
    dir.ReadDirectory("*.*", 0x27, false);
    dir.SortByName(false);

    const GLuint box = CompileMesh(MakeBoxMesh());
    const GLuint tetra = CompileMesh(MakeTetrahedronMesh());
    const GLuint prism = CompileMesh(MakePrismMesh());
    const GLuint background = panelbench::UploadBackground(options.background);
    const int columns = GridColumns(dir.entries.size());
    const QLocale locale;
    const auto glyphs = [&](const std::string& text) {
        return platform::GlyphText(text, view.Font2D_FirstGylph, view.Font2D_NumGylph);
    };
    std::int64_t largest = dir.maxSize > 0 ? dir.maxSize : 10;
    std::vector<Block> blocks;
    for (std::size_t i = 0; i < dir.entries.size(); ++i) {
        const ff& entry = *dir.entries[i];
        const bool directory = entry.IsDirectory();
        Block block{double(int(i) % columns) * 2,      double(int(i) / columns) * 2,
                    BlockHeight(entry, true, largest), directory ? tetra : entry.lext == ".exe" ? prism : box,
                    NameFaceColour(entry.name, 0),     {}};
        block.labels.push_back(
            {glyphs(entry.name), {directory ? 0.0f : 1.0f, 1.0f, directory ? 0.0f : 1.0f}, 0.7f, 0.025f});
        const bool top = entry.size == dir.maxSize;
        block.labels.push_back({glyphs(SizeAttributeLabel(entry, true, true, locale)),
                                {1.0f, top ? 0.0f : 1.0f, top ? 0.0f : 1.0f},
                                1.0f,
                                0.0185f});
        block.labels.push_back({glyphs(DateLabel(entry)), {0.8f, 0.49803922f, 0.19607843f}, 1.3f, 0.0185f});
        blocks.push_back(std::move(block));
    }
    const std::string path = glyphs(dir.path);
    const double planeDepth = double(int(blocks.size()) / columns) * 2;
    const double planeWidth = planeDepth == 0 ? double(blocks.size()) : columns;
    const float textSize = float(font.pointSizeF());

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, double(panelbench::viewWidth) / panelbench::viewHeight, 1.0, 256.0);
    glMatrixMode(GL_MODELVIEW);
    const panelbench::Camera camera;
    glLoadIdentity();
    glTranslated(camera.tranx, camera.trany, camera.tranz);
    glRotated(camera.roty, 0, 1, 0);
    glRotated(camera.rotx - 90, 1, 0, 0);
    GLdouble grid[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, grid);

    const auto frame = [&] {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glDisable(GL_LIGHTING);
        glLoadIdentity();
        glTranslated(0, 0, -255);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, background);
        glColor3f(1, 1, 1);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex3f(-198, -198, 0);
        glTexCoord2f(1, 0);
        glVertex3f(198, -198, 0);
        glTexCoord2f(1, 1);
        glVertex3f(198, 198, 0);
        glTexCoord2f(0, 1);
        glVertex3f(-198, 198, 0);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        for (const Block& block : blocks) {
            glLoadMatrixd(grid);
            glTranslated(block.x, 0, block.z);
            glScaled(1, block.height, 1);
            glColor3b(block.colour[0], block.colour[1], block.colour[2]);
            glCallList(block.list);
        }
        for (const Block& block : blocks) {
            for (const Label& label : block.labels) {
                glLoadMatrixd(grid);
                glTranslated(block.x, 0, block.z);
                glColor3fv(label.colour.data());
                if (options.outline) {
                    glTranslatef(-0.5f, 0, label.z);
                    glScalef(textSize * label.scale, 1, textSize * label.scale);
                    glRotatef(-90, 1, 0, 0);
                    platform::Draw3DText(view.Font3D(), label.text);
                } else {
                    glRasterPos3f(-0.5f, 0, label.z);
                    platform::Draw2DText(view.Font2D(), label.text);
                }
            }
        }
        glLoadMatrixd(grid);
        glColor3f(0, 1, 0);
        glRasterPos3f(-2, 0, -2);
        platform::Draw2DText(view.Font2D(), path);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(0.5607843f, 0.7372549f, 0.5607843f, 0.44f);
        glBegin(GL_QUADS);
        glVertex3d(-1, -0.02, -1);
        glVertex3d(-1, -0.02, planeDepth + 1.4);
        glVertex3d(2 * planeWidth, -0.02, planeDepth + 1.4);
        glVertex3d(2 * planeWidth, -0.02, -1);
        glEnd();
        glDisable(GL_BLEND);
        glFlush();
    };
    std::printf("entries %zu\nfloor %.3f\n", blocks.size(), panelbench::MedianFrameMs(options.frames, frame));
    view.MakeOpenGLPanelNotCurrent();
    return 0;
}
