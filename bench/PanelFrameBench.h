#pragma once

// What the panel frame harness and its floor share: their arguments, the view they draw in,
// the background texture, the camera and the timing of frames.
//   NAME DIR BACKGROUND [--frames N] [--outline] [--shot FILE] [--icons DIR]

#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelHost.h"
#include "filemanager/myBMPTexture.h"

#include <GL/gl.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QOpenGLWidget>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace panelbench {

struct Options {
    std::string dir; // the listing
    std::string background; // the background picture
    std::string shot; // where to save a picture of the labelled frame, if anywhere
    std::string icons; // the 3D icon directory, for harnesses that draw icons
    int frames = 50;
    bool outline = false; // labels as outline text, else as bitmap text
};

inline Options ParseOptions(int argc, char** argv)
{
    Options options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--frames" && i + 1 < argc)
            options.frames = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--shot" && i + 1 < argc)
            options.shot = argv[++i];
        else if (arg == "--icons" && i + 1 < argc)
            options.icons = argv[++i];
        else if (arg == "--outline")
            options.outline = true;
        else
            positional.push_back(arg);
    }
    if (positional.size() != 2) {
        std::fprintf(stderr, "usage: %s DIR BACKGROUND [--frames N] [--outline] [--shot FILE] [--icons DIR]\n", argv[0]);
        std::exit(2);
    }
    options.dir = positional[0];
    options.background = positional[1];
    return options;
}

constexpr int viewWidth = 1024;
constexpr int viewHeight = 768;

// Shows the view's window and waits until the view has its context.
inline bool WaitForContext(QWidget& window, QOpenGLWidget& view)
{
    view.setFixedSize(viewWidth, viewHeight);
    window.show();
    QElapsedTimer timer;
    timer.start();
    while (!view.isValid() && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    QCoreApplication::processEvents();
    return view.isValid();
}

// The picture as a texture of the current context; 0 when it cannot be read.
inline GLuint UploadBackground(const std::string& file)
{
    const auto record = LoadTextureRecord(file, false);
    if (!record)
        return 0;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, record->components, record->width, record->height, 0, GLenum(record->format),
                 GLenum(record->type), record->data.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

// Shows a panel, makes its view current and gives the host the background texture; false,
// with the reason on stderr, when any step fails.
inline bool StartPanelFrames(QWidget& panel, TOpenGLPanel& view, PanelHost& host, const std::string& background)
{
    if (!WaitForContext(panel, view)) {
        std::fprintf(stderr, "the panel got no OpenGL context\n");
        return false;
    }
    if (!view.MakeOpenGLPanelCurrent())
        return false;
    host.bkgTextureId = UploadBackground(background);
    host.bkgTexture = std::make_unique<myBMPTexture>();
    if (host.bkgTextureId == 0) {
        std::fprintf(stderr, "cannot read %s\n", background.c_str());
        return false;
    }
    return true;
}

// A camera above the grid of 1000 entries, tilted so that every block and label is in view.
struct Camera {
    double rotx = 150;
    double roty = 0;
    double tranx = -30;
    double trany = 27.7;
    double tranz = -101;
};

// The median time of `frames` frames in milliseconds, each finished before its clock stops.
inline double MedianFrameMs(int frames, const std::function<void()>& frame)
{
    frame(); // the first frame pays for lazily made state
    glFinish();
    std::vector<double> times;
    for (int i = 0; i < frames; ++i) {
        const auto start = std::chrono::steady_clock::now();
        frame();
        glFinish();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace panelbench
