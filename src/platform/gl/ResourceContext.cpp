#include "platform/gl/ResourceContext.h"

#include "platform/base/Exception.h"

#include <QCoreApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPointer>

namespace platform {
namespace {

// Both live as children of the application object, so they go before the display
// connection does; a later application gets a fresh pair.
struct ResourceContext {
    QPointer<QOpenGLContext> context;
    QPointer<QOffscreenSurface> surface;
};

ResourceContext& resource()
{
    static ResourceContext instance;
    if (instance.context && instance.surface)
        return instance;
    QCoreApplication* app = QCoreApplication::instance();
    QOpenGLContext* shared = QOpenGLContext::globalShareContext();
    if (!app || !shared)
        throw Exception("OpenGL resource context: context sharing was not set up before the application started");
    auto surface = new QOffscreenSurface(nullptr, app);
    surface->setFormat(shared->format());
    surface->create();
    auto context = new QOpenGLContext(app);
    context->setFormat(shared->format());
    context->setShareContext(shared);
    if (!surface->isValid() || !context->create()) {
        delete context;
        delete surface;
        throw Exception("OpenGL resource context: could not create a context sharing with the views");
    }
    instance.context = context;
    instance.surface = surface;
    return instance;
}

} // namespace

ResourceContextScope::ResourceContextScope()
    : previousContext_(QOpenGLContext::currentContext()),
      previousSurface_(previousContext_ ? previousContext_->surface() : nullptr)
{
    ResourceContext& shared = resource();
    if (!shared.context->makeCurrent(shared.surface))
        throw Exception("OpenGL resource context: could not make it current");
}

ResourceContextScope::~ResourceContextScope()
{
    QOpenGLContext* current = QOpenGLContext::currentContext();
    // Another context sees what was made here only once the commands have been flushed.
    if (current)
        current->functions()->glFlush();
    if (previousContext_ && previousSurface_)
        previousContext_->makeCurrent(previousSurface_);
    else if (current)
        current->doneCurrent();
}

} // namespace platform
