// Manual buffer swapping: with GLSwapBuffers = Manual the panel draws into a buffer of its
// own (a framebuffer object the size of the panel) and the widget's framebuffer, which Qt
// composes into the window, holds the picture SwapBuffers last showed.
#include "filemanager/OpenGLPanel.h"

#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

#include <algorithm>
#include <utility>

namespace {

QSize PixelSize(const QWidget& widget)
{
    const qreal ratio = widget.devicePixelRatioF();
    return {std::max(1, qRound(widget.width() * ratio)), std::max(1, qRound(widget.height() * ratio))};
}

} // namespace

bool TOpenGLPanel::PaintsManually() const
{
    return GLSwapBuffers == TOpenGLSwapBuffers::Manual && doubleBuffered_;
}

void TOpenGLPanel::BindBackBuffer()
{
    const QSize size = PixelSize(*this);
    if (!backBuffer_ || backBuffer_->size() != size)
        backBuffer_ = std::make_unique<QOpenGLFramebufferObject>(size, QOpenGLFramebufferObject::CombinedDepthStencil);
    backBuffer_->bind();
}

void TOpenGLPanel::ShowFrontBuffer()
{
    // Stretched: a panel resized since the swap shows the same picture, never an empty one.
    QOpenGLFramebufferObject::blitFramebuffer(nullptr, QRect(QPoint(), PixelSize(*this)), frontBuffer_.get(),
                                              QRect(QPoint(), frontBuffer_->size()), GL_COLOR_BUFFER_BIT, GL_LINEAR);
    context()->functions()->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
}

void TOpenGLPanel::PaintManually()
{
    // Qt makes the widget's framebuffer anew, empty, at every size; a swap made outside a
    // paint is shown here, where the widget's framebuffer is the one drawn to.
    if ((refillShown_ || presentOnly_) && frontBuffer_)
        ShowFrontBuffer();
    refillShown_ = false;
    // The paint a swap asked for only lets the window show the new picture.
    if (presentOnly_) {
        presentOnly_ = false;
        return;
    }
    BindBackBuffer();
    painting_ = true;
    TriggerPaint();
    painting_ = false;
    context()->functions()->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
}

void TOpenGLPanel::SwapBuffers()
{
    if (!doubleBuffered_ || !usable())
        return;
    if (!PaintsManually() || !backBuffer_) {
        // Qt composes the widget from its framebuffer after every paint: this only pushes out
        // the commands issued so far.
        if (QOpenGLContext::currentContext() == context())
            context()->functions()->glFlush();
        return;
    }
    std::swap(frontBuffer_, backBuffer_);
    if (painting_) {
        ShowFrontBuffer();
        // The owner may draw on, into the back buffer.
        BindBackBuffer();
        return;
    }
    // Outside a paint the widget's framebuffer is not at hand: the paint asked for shows it.
    presentOnly_ = true;
    update();
    if (QOpenGLContext::currentContext() == context())
        BindBackBuffer();
}

void TOpenGLPanel::FreeSwapBuffers()
{
    backBuffer_.reset();
    frontBuffer_.reset();
}
