#include "support/gl/GlTestHelpers.h"

#include "platform/gl/OpenGLSetup.h"
#include "support/TestEnvironment.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include <cmath>

namespace testsupport {

bool useProgramOpenGLSetup()
{
    setBeforeApplication(&platform::PrepareOpenGLBeforeApplication);
    return true;
}

bool waitUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

bool showAndWait(QWidget& window)
{
    window.show();
    const auto views = window.findChildren<QOpenGLWidget*>();
    const bool ready = waitUntil([&] {
        if (!window.isVisible() || !window.windowHandle() || !window.windowHandle()->isExposed())
            return false;
        for (QOpenGLWidget* view : views)
            if (view->isVisible() && !view->isValid())
                return false;
        return true;
    });
    // Let the first paints and the compositing of the views run.
    QCoreApplication::processEvents();
    return ready;
}

QImage grabView(QOpenGLWidget& view)
{
    QImage image = view.grabFramebuffer();
    if (QOpenGLContext* current = QOpenGLContext::currentContext())
        current->doneCurrent();
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage grabScreen(QWidget& window)
{
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    return window.screen()->grabWindow(0, origin.x(), origin.y(), window.width(), window.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

void saveScreenshotIfAsked(QWidget& window, const char* name)
{
    if (!qEnvironmentVariableIsEmpty("PELVAXON_GL_SCREENSHOTS"))
        saveScreenshotIfAsked(grabScreen(window), name);
}

void saveScreenshotIfAsked(const QImage& picture, const char* name)
{
    const QByteArray folder = qgetenv("PELVAXON_GL_SCREENSHOTS");
    if (!folder.isEmpty())
        picture.save(QDir(QString::fromLocal8Bit(folder)).filePath(QString::fromUtf8(name)));
}

QImage readPixels(const QRect& area)
{
    QImage image(area.size(), QImage::Format_RGBA8888);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(area.x(), area.y(), area.width(), area.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    glPopClientAttrib();
    // OpenGL counts rows from the bottom.
    return image.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}

QPointF projectToWindow(double x, double y, double z)
{
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx = 0, wy = 0, wz = 0;
    if (gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz) != GL_TRUE)
        return {NAN, NAN};
    return {wx, wy};
}

QPoint toImagePosition(QPointF window, int imageHeight)
{
    return {static_cast<int>(std::floor(window.x())), imageHeight - 1 - static_cast<int>(std::floor(window.y()))};
}

int countPixelsUnlike(const QImage& image, QColor background, QRect area)
{
    const QRect box = area.isEmpty() ? image.rect() : area.intersected(image.rect());
    const QRgb reference = background.rgb();
    int count = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != (reference & 0xFFFFFF))
                ++count;
    return count;
}

} // namespace testsupport
