// Harness for bench/panel-pick.sh: a real panel of 1024x768 over a listing, every label on,
// timing a frame of its scene and a pick pass at the view's centre (the select-mode frame a
// click draws). Prints both medians:
//   render <ms>
//   pick <ms>

#include "PanelBenchHost.h"

#include <cstdio>

int main(int argc, char** argv)
{
    return panelbench::RunWithPanel(argc, argv, [](Tglfr& panel, const panelbench::Options& options) {
        const double render = panelbench::MedianFrameMs(options.frames, [&] { panel.DrawScene(GL_RENDER); });
        int hit = 0;
        const double pick = panelbench::MedianFrameMs(options.frames, [&] {
            hit = panel.PickAt(panelbench::viewWidth / 2, panelbench::viewHeight / 2);
        });
        panel.OpenGLPanel1->MakeOpenGLPanelNotCurrent();
        std::printf("entries %zu\nhit %d\nrender %.3f\npick %.3f\n", panel.dir.entries.size(), hit, render, pick);
    });
}
