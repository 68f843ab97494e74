// Harness for bench/panel-frame.sh: a real panel of 1024x768 drawing its scene of a listing,
// every label on, then the same scene with labels suppressed. Prints both medians:
//   labelled <ms>
//   suppressed <ms>
// With --shot it saves the labelled frame as a PNG.

#include "PanelFrameBench.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelHost.h"
#include "filemanager/glform.h"
#include "platform/fs/CurrentDir.h"
#include "platform/gl/OpenGLSetup.h"

#include <QApplication>
#include <QImage>

#include <cstdio>

namespace {

class BenchHost : public PanelHost {
public:
    std::string title;
    std::string Title() const override { return title; }
    void SetTitle(const std::string& text) override { title = text; }
    void ClearActiveControl() override {}
    void DrawExtensionIcon(Tglfr&, const std::string&) override {}
};

} // namespace

int main(int argc, char** argv)
{
    const panelbench::Options options = panelbench::ParseOptions(argc, argv);
    platform::PrepareOpenGLBeforeApplication();
    QApplication application(argc, argv);

    BenchHost host;
    host.draw3DText = options.outline;
    host.viewFilePlane = true;
    host.viewBkgPic = true;
    host.icon3DLimit = 150;
    Tglfr panel(nullptr, host);
    if (!platform::ChangeDir(options.dir)) {
        std::perror(options.dir.c_str());
        return 1;
    }
    panel.RefreshListing(false);
    panel.dspnam = panel.dspsiz = panel.dspatr = panel.dspdat = true;
    panel.dspsizasheight = true;
    panel.SetActive(true);
    const panelbench::Camera camera;
    panel.rotx = camera.rotx;
    panel.roty = camera.roty;
    panel.tranx = camera.tranx;
    panel.trany = camera.trany;
    panel.tranz = camera.tranz;
    if (!panelbench::WaitForContext(panel, *panel.OpenGLPanel1)) {
        std::fprintf(stderr, "the panel got no OpenGL context\n");
        return 1;
    }
    if (!panel.OpenGLPanel1->MakeOpenGLPanelCurrent())
        return 1;
    host.bkgTextureId = panelbench::UploadBackground(options.background);
    host.bkgTexture = std::make_unique<myBMPTexture>();
    if (host.bkgTextureId == 0) {
        std::fprintf(stderr, "cannot read %s\n", options.background.c_str());
        return 1;
    }

    const auto frame = [&] { panel.DrawScene(GL_RENDER); };
    const double labelled = panelbench::MedianFrameMs(options.frames, frame);
    panel.labelsSuppressed = true;
    const double suppressed = panelbench::MedianFrameMs(options.frames, frame);
    panel.labelsSuppressed = false;
    panel.OpenGLPanel1->MakeOpenGLPanelNotCurrent();
    if (!options.shot.empty())
        panel.OpenGLPanel1->grabFramebuffer().save(QString::fromLocal8Bit(options.shot.c_str()));
    std::printf("entries %zu\nlabelled %.3f\nsuppressed %.3f\n", panel.dir.entries.size(), labelled, suppressed);
    return 0;
}
