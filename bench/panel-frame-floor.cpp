// Harness for bench/panel-frame.sh: two floors under a panel's frame. A bare OpenGL view of
// 1024x768 draws what the panel draws for the same listing and camera (background quad,
// blocks, labels, path, file plane) with everything worked out beforehand: each block one
// colour and one call of one of three display lists. The floor draws each label as a ready
// string through the same display-list fonts; the batched floor draws all the labels'
// triangles from one vertex array in one call (bitmap labels: all their glyphs' pixels as one
// batch of textured quads), the rasterizer's own limit for that picture. Prints the medians:
//   floor <ms>
//   batched <ms>

#include "PanelFrameBench.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelBlocks.h"
#include "filemanager/PanelTexts.h"
#include "filemanager/dir.h"
#include "platform/fs/CurrentDir.h"
#include "platform/gl/BitmapTextBatch.h"
#include "platform/gl/OpenGLSetup.h"

#include <GL/glu.h>
#include <QApplication>
#include <QLocale>

#include <array>
#include <cstdio>
#include <functional>

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

// Every outline label's triangles in the grid's space, each vertex with its label's colour:
// x, y, z, red, green, blue.
std::vector<float> OutlineTriangles(const std::vector<Block>& blocks, const platform::OpenGLFont3D& font,
                                    float textSize)
{
    std::vector<float> vertices;
    for (const Block& block : blocks)
        for (const Label& label : block.labels) {
            const double size = textSize * label.scale;
            double pen = 0;
            for (const std::uint32_t code : platform::CodePoints(label.text)) {
                const std::size_t glyph = code - std::uint32_t(font.first);
                const platform::GlyphSolid& solid = font.solids[glyph];
                for (const auto& triangle : solid.triangles)
                    for (const std::uint32_t corner : triangle) {
                        const auto& p = solid.points[corner];
                        vertices.insert(vertices.end(), {float(block.x - 0.5 + size * (pen + p[0])), p[2],
                                                         float(block.z + label.z - size * p[1])});
                        vertices.insert(vertices.end(), label.colour.begin(), label.colour.end());
                    }
                pen += font.metrics[glyph].gmfCellIncX;
            }
        }
    return vertices;
}

void DrawTriangles(const std::vector<float>& vertices)
{
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 6 * sizeof(float), vertices.data());
    glColorPointer(3, GL_FLOAT, 6 * sizeof(float), vertices.data() + 3);
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(vertices.size() / 6));
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
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

    const auto sceneBeforeLabels = [&] {
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
    };
    // Each label where the panel puts it: outline text under its own transformation, bitmap
    // text at its raster position, with `draw` drawing the text.
    const auto eachLabel = [&](const std::function<void(const Label&)>& draw) {
        for (const Block& block : blocks) {
            for (const Label& label : block.labels) {
                glLoadMatrixd(grid);
                glTranslated(block.x, 0, block.z);
                glColor3fv(label.colour.data());
                if (options.outline) {
                    glTranslatef(-0.5f, 0, label.z);
                    glScalef(textSize * label.scale, 1, textSize * label.scale);
                    glRotatef(-90, 1, 0, 0);
                } else {
                    glRasterPos3f(-0.5f, 0, label.z);
                }
                draw(label);
            }
        }
    };
    const auto sceneAfterLabels = [&] {
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

    const double floor = panelbench::MedianFrameMs(options.frames, [&] {
        sceneBeforeLabels();
        eachLabel([&](const Label& label) {
            if (options.outline)
                platform::Draw3DText(view.Font3D(), label.text);
            else
                platform::Draw2DText(view.Font2D(), label.text);
        });
        sceneAfterLabels();
    });

    platform::BitmapTextBatch glyphPixels;
    std::vector<float> triangles;
    if (options.outline)
        triangles = OutlineTriangles(blocks, *view.Font3D(), textSize);
    else
        eachLabel([&](const Label& label) { glyphPixels.Add(*view.Font2D(), label.text, label.colour); });
    const double batched = panelbench::MedianFrameMs(options.frames, [&] {
        sceneBeforeLabels();
        glLoadMatrixd(grid);
        if (options.outline)
            DrawTriangles(triangles);
        else
            glyphPixels.Draw();
        sceneAfterLabels();
    });
    std::printf("entries %zu\nfloor %.3f\nbatched %.3f\n", blocks.size(), floor, batched);
    view.MakeOpenGLPanelNotCurrent();
    return 0;
}
