// Harness for bench/icons-frame.sh: a real panel of 1024x768 drawing a listing with a 3D icon
// above every entry, the icons read from --icons DIR, then the same panel with an icon
// directory that holds none. Labels are off, so what differs is the icons. Prints:
//   entries <n>
//   cold <ms>            the first frame, which reads every model
//   render-icons <ms>    median of the render passes with icons
//   pick-icons <ms>      median of the pick passes with icons
//   render-bare <ms>     the same without icons
//   pick-bare <ms>
// With --shot it saves a frame with icons as a PNG.

#include "PanelFrameBench.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelHost.h"
#include "filemanager/glform.h"
#include "icons3d/IconCache.h"
#include "platform/fs/CurrentDir.h"
#include "platform/gl/OpenGLSetup.h"

#include <GL/glu.h>
#include <QApplication>
#include <QImage>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

class BenchHost : public PanelHost {
public:
    BenchHost(const std::string& icons) : icons_(icons) {}
    ~BenchHost() override { gluDeleteQuadric(quadric_); }

    std::string title;
    std::string Title() const override { return title; }
    void SetTitle(const std::string& text) override { title = text; }
    void ClearActiveControl() override {}
    void DrawExtensionIcon(Tglfr& panel, const std::string& lext) override
    {
        TOpenGLPanel* view = panel.OpenGLPanel1;
        cache.DrawExtensionIcon(lext, quadric_, [view](const std::string& text) { view->Draw3DText(text); });
    }
    void SetIconDirectory(const std::string& icons) { icons_ = icons; }

private:
    std::string icons_;
    QWidget captionWindow_;
    An8NoTextures textures_;
    GLUquadric* quadric_ = gluNewQuadric();

public:
    IconCache cache{[this] { return icons_; }, captionWindow_, textures_};
};

// A pick pass as a click makes one: a 3 x 3 pixel pick matrix at the view's centre.
void PickPass(Tglfr& panel)
{
    static std::vector<GLuint> hits(5000);
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glSelectBuffer(GLsizei(hits.size()), hits.data());
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPickMatrix(viewport[2] / 2.0, viewport[3] / 2.0, 3, 3, viewport);
    glMultMatrixd(projection);
    glMatrixMode(GL_MODELVIEW);
    panel.DrawScene(GL_SELECT);
    glRenderMode(GL_RENDER);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(projection);
    glMatrixMode(GL_MODELVIEW);
}

} // namespace

int main(int argc, char** argv)
{
    const panelbench::Options options = panelbench::ParseOptions(argc, argv);
    if (options.icons.empty()) {
        std::fprintf(stderr, "%s: --icons DIR is needed\n", argv[0]);
        return 2;
    }
    platform::PrepareOpenGLBeforeApplication();
    QApplication application(argc, argv);

    BenchHost host(options.icons);
    host.draw3DText = options.outline;
    host.viewFilePlane = true;
    host.viewBkgPic = true;
    host.icon3DLimit = -1; // no icons until the cold frame
    Tglfr panel(nullptr, host);
    if (!platform::ChangeDir(options.dir)) {
        std::perror(options.dir.c_str());
        return 1;
    }
    panel.RefreshListing(false);
    panel.dspnam = panel.dspsiz = panel.dspatr = panel.dspdat = false;
    panel.dspsizasheight = false; // flat blocks: every icon sits low enough to be in view
    panel.SetActive(true);
    // Above the grid of 150 entries, tilted so that every block and icon is in view.
    panel.rotx = 125;
    panel.roty = 0;
    panel.tranx = -12;
    panel.trany = 2;
    panel.tranz = -42;
    if (!panelbench::StartPanelFrames(panel, *panel.OpenGLPanel1, host, options.background))
        return 1;

    host.icon3DLimit = 150;
    const auto render = [&] { panel.DrawScene(GL_RENDER); };
    const auto pick = [&] { PickPass(panel); };
    const auto start = std::chrono::steady_clock::now();
    render();
    glFinish();
    const double cold = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double renderIcons = panelbench::MedianFrameMs(options.frames, render);
    const double pickIcons = panelbench::MedianFrameMs(options.frames, pick);
    std::set<std::string> models; // the extensions drawn with a model
    for (const auto& entry : panel.dir.entries) {
        const ic3d* icon = host.cache.Entry(entry->lext);
        if (icon && icon->model)
            models.insert(icon->ext);
    }
    panel.OpenGLPanel1->MakeOpenGLPanelNotCurrent();
    if (!options.shot.empty())
        panel.OpenGLPanel1->grabFramebuffer().save(QString::fromLocal8Bit(options.shot.c_str()));

    host.cache.FreeIconCache();
    host.SetIconDirectory("/nonexistent-icon-directory/");
    if (!panel.OpenGLPanel1->MakeOpenGLPanelCurrent())
        return 1;
    const double renderBare = panelbench::MedianFrameMs(options.frames, render);
    const double pickBare = panelbench::MedianFrameMs(options.frames, pick);
    panel.OpenGLPanel1->MakeOpenGLPanelNotCurrent();
    host.cache.FreeIconCache();

    std::printf("entries %zu\nextensions %zu\ncold %.3f\nrender-icons %.3f\npick-icons %.3f\nrender-bare %.3f\n"
                "pick-bare %.3f\n",
                panel.dir.entries.size(), models.size(), cold, renderIcons, pickIcons, renderBare, pickBare);
    return 0;
}
