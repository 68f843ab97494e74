#pragma once

// A real panel for the harnesses that time its frames: a host without a main window, and the
// panel shown at the benchmark's size over a listing, every label on, plane and background
// shown, the benchmark's camera, its context left current.

#include "PanelFrameBench.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelHost.h"
#include "filemanager/glform.h"
#include "platform/fs/CurrentDir.h"
#include "platform/gl/OpenGLSetup.h"

#include <QApplication>

#include <cstdio>
#include <functional>
#include <memory>

namespace panelbench {

class BenchHost : public PanelHost {
public:
    std::string title;
    std::string Title() const override { return title; }
    void SetTitle(const std::string& text) override { title = text; }
    void ClearActiveControl() override {}
    void DrawExtensionIcon(Tglfr&, const std::string&) override {}
};

// Null, after saying why on stderr, when the panel cannot be shown as asked.
inline std::unique_ptr<Tglfr> OpenPanel(BenchHost& host, const Options& options)
{
    host.draw3DText = options.outline;
    host.viewFilePlane = true;
    host.viewBkgPic = true;
    host.icon3DLimit = 150;
    auto panel = std::make_unique<Tglfr>(nullptr, host);
    if (!platform::ChangeDir(options.dir)) {
        std::perror(options.dir.c_str());
        return nullptr;
    }
    panel->RefreshListing(false);
    panel->dspnam = panel->dspsiz = panel->dspatr = panel->dspdat = true;
    panel->dspsizasheight = true;
    panel->SetActive(true);
    const Camera camera;
    panel->rotx = camera.rotx;
    panel->roty = camera.roty;
    panel->tranx = camera.tranx;
    panel->trany = camera.trany;
    panel->tranz = camera.tranz;
    if (!StartPanelFrames(*panel, *panel->OpenGLPanel1, host, options.background))
        return nullptr;
    return panel;
}

// A harness's main: the panel opened as the arguments ask, handed to `measure`, which prints
// the figures; 1 when the panel could not be opened.
inline int RunWithPanel(int argc, char** argv, const std::function<void(Tglfr&, const Options&)>& measure)
{
    const Options options = ParseOptions(argc, argv);
    platform::PrepareOpenGLBeforeApplication();
    QApplication application(argc, argv);
    BenchHost host;
    const auto panel = OpenPanel(host, options);
    if (!panel)
        return 1;
    measure(*panel, options);
    return 0;
}

} // namespace panelbench
