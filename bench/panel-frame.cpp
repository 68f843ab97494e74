// Harness for bench/panel-frame.sh: a real panel of 1024x768 drawing its scene of a listing,
// every label on: the repaint of an unchanged view, frames whose camera turns a little each
// time (so nothing drawn before can be reused), the same scene with labels suppressed, and a
// click that marks the entry under the pointer, from the release through the pick pass to
// the repainted frame on screen. Prints the medians:
//   labelled <ms>
//   moved <ms>
//   suppressed <ms>
//   click <ms>
// With --shot it saves the labelled frame as a PNG.

#include "PanelBenchHost.h"

#include <QImage>

#include <cstdio>

namespace {

// A point of the view whose pick is an entry: the first that hits one of an 8x8 grid of points
// 16 pixels apart around the view's centre, row by row from 64 pixels left of and above it.
bool FindEntryPoint(Tglfr& panel, int& x, int& y)
{
    for (int step = 0; step < 64; ++step) {
        x = panelbench::viewWidth / 2 + (step % 8 - 4) * 16;
        y = panelbench::viewHeight / 2 + (step / 8 - 4) * 16;
        const int hit = panel.PickAt(x, y);
        if (hit >= 0 && hit < int(panel.dir.entries.size()))
            return true;
    }
    return false;
}

// A right click at (x, y): the release picks and marks the entry, and repaints; the time runs
// until the frame has been swapped to the screen.
double ClickMs(Tglfr& panel, int x, int y)
{
    bool swapped = false;
    const auto connection =
        QObject::connect(panel.OpenGLPanel1, &QOpenGLWidget::frameSwapped, [&swapped] { swapped = true; });
    QElapsedTimer timer;
    timer.start();
    panel.downX = x;
    panel.downY = y;
    panel.OpenGLPanel1MouseUp(Qt::RightButton, {}, x, y);
    while (!swapped && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    QObject::disconnect(connection);
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    return panelbench::RunWithPanel(argc, argv, [](Tglfr& panel, const panelbench::Options& options) {
        const auto frame = [&] { panel.DrawScene(GL_RENDER); };
        const double labelled = panelbench::MedianFrameMs(options.frames, frame);
        int turn = 0;
        const double moved = panelbench::MedianFrameMs(options.frames, [&] {
            ++turn;
            panel.roty = (turn % 2 ? 0.01 : -0.01) * turn;
            frame();
        });
        panel.roty = panelbench::Camera().roty;
        panel.labelsSuppressed = true;
        const double suppressed = panelbench::MedianFrameMs(options.frames, frame);
        panel.labelsSuppressed = false;
        int x = 0, y = 0;
        if (!FindEntryPoint(panel, x, y)) {
            std::fprintf(stderr, "no entry near the view's centre to click\n");
            std::exit(1);
        }
        panel.DrawScene(GL_RENDER);
        panel.OpenGLPanel1->MakeOpenGLPanelNotCurrent();
        std::vector<double> clicks;
        for (int i = 0; i < options.frames; ++i)
            clicks.push_back(ClickMs(panel, x, y));
        std::sort(clicks.begin(), clicks.end());
        if (!options.shot.empty())
            panel.OpenGLPanel1->grabFramebuffer().save(QString::fromLocal8Bit(options.shot.c_str()));
        std::printf("entries %zu\nlabelled %.3f\nmoved %.3f\nsuppressed %.3f\nclick %.3f\n", panel.dir.entries.size(),
                    labelled, moved, suppressed, clicks[clicks.size() / 2]);
    });
}
