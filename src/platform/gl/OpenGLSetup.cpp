#include "platform/gl/OpenGLSetup.h"

#include "platform/gl/PixelFormat.h"

#include <QCoreApplication>

namespace platform {

void PrepareOpenGLBeforeApplication()
{
    PixelFormatDescriptor defaults;
    defaults.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    defaults.cDepthBits = 24;
    QSurfaceFormat::setDefaultFormat(SurfaceFormatFor(defaults));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace platform
