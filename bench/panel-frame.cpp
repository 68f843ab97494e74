// Harness for bench/panel-frame.sh: a real panel of 1024x768 drawing its scene of a listing,
// every label on, then the same scene with labels suppressed. Prints both medians:
//   labelled <ms>
//   suppressed <ms>
// With --shot it saves the labelled frame as a PNG.

#include "PanelBenchHost.h"

#include <QImage>

#include <cstdio>

int main(int argc, char** argv)
{
    return panelbench::RunWithPanel(argc, argv, [](Tglfr& panel, const panelbench::Options& options) {
        const auto frame = [&] { panel.DrawScene(GL_RENDER); };
        const double labelled = panelbench::MedianFrameMs(options.frames, frame);
        panel.labelsSuppressed = true;
        const double suppressed = panelbench::MedianFrameMs(options.frames, frame);
        panel.labelsSuppressed = false;
        panel.OpenGLPanel1->MakeOpenGLPanelNotCurrent();
        if (!options.shot.empty())
            panel.OpenGLPanel1->grabFramebuffer().save(QString::fromLocal8Bit(options.shot.c_str()));
        std::printf("entries %zu\nlabelled %.3f\nsuppressed %.3f\n", panel.dir.entries.size(), labelled, suppressed);
    });
}
