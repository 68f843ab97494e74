#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>

#include <functional>

class QOpenGLWidget;
class QWidget;

namespace testsupport {

// Registers the program's pre-application OpenGL setup (compatibility profile, shared
// contexts) for this test executable. Call it from a static initialiser in the test file:
//   static const bool glReady = testsupport::useProgramOpenGLSetup();
bool useProgramOpenGLSetup();

// Processes events until `done` holds or `ms` milliseconds have passed; returns `done()`.
bool waitUntil(const std::function<bool()>& done, int ms = 5000);

// Shows a top-level window and waits until it is exposed and every OpenGL view in it has
// made its context. False if that did not happen in time.
bool showAndWait(QWidget& window);

// A view's picture rendered afresh (its paint runs), with no context left current after.
QImage grabView(QOpenGLWidget& view);

// The pixels of the current context's bound framebuffer, top row first, as RGB32.
QImage readPixels(const QRect& windowArea);

// Where a scene point lands with the current matrices and viewport: window coordinates
// with y up (as the viewport counts), and the same as an image position with y down.
QPointF projectToWindow(double x, double y, double z);
QPoint toImagePosition(QPointF window, int imageHeight);

// What the X server shows of a window: its on-screen area grabbed from the root window.
QImage grabScreen(QWidget& window);
// Saves grabScreen(window) as `name` in the folder named by PELVAXON_GL_SCREENSHOTS, if set,
// so a run can leave pictures of what the views showed; the second form saves a picture the
// test has (a frame, the whole screen).
void saveScreenshotIfAsked(QWidget& window, const char* name);
void saveScreenshotIfAsked(const QImage& picture, const char* name);

// How many pixels of `area` (the whole image when empty) differ from `background`.
int countPixelsUnlike(const QImage& image, QColor background, QRect area = {});

} // namespace testsupport
