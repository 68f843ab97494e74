#include "filemanager/OpenGLPanel.h"

#include "platform/gl/FloatingPoint.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"

#include <QEvent>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

namespace {

// The system error number the fixed failure texts end in; Qt reports no such number.
const std::string noSystemError = "0";

QFont defaultPanelFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(9);
    return font;
}

} // namespace

TOpenGLPanel::TOpenGLPanel(QWidget* parent)
    : QOpenGLWidget(parent), font3DType_(defaultPanelFont()), font2DType_(defaultPanelFont())
{
    platform::MaskFloatingPointExceptions();
    // Keep the last frame when a paint draws nothing new, instead of a cleared picture.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
}

TOpenGLPanel::~TOpenGLPanel()
{
    // The context outlives this part of the object; its farewell must not call back in here.
    if (context())
        disconnect(context(), nullptr, this, nullptr);
    DestroyGLContext();
}

void TOpenGLPanel::SetPixelType(TPFDPixelTypes value)
{
    pixelType_ = value;
    pixelTypeValue_ = value == f_PFD_TYPE_COLORINDEX ? platform::PFD_TYPE_COLORINDEX : platform::PFD_TYPE_RGBA;
}

void TOpenGLPanel::SetPFDFlags(TPFDFlagSet value)
{
    const bool hadGdi = pfdFlags_.contains(f_PFD_SUPPORT_GDI);
    const bool gdi = value.contains(f_PFD_SUPPORT_GDI);
    const bool doubleBuffer = value.contains(f_PFD_DOUBLEBUFFER);
    if (gdi && doubleBuffer)
        value = hadGdi ? value.without(f_PFD_SUPPORT_GDI) : value.without(f_PFD_DOUBLEBUFFER);
    else if (!gdi && !doubleBuffer)
        value = hadGdi ? value.with(f_PFD_DOUBLEBUFFER) : value.with(f_PFD_SUPPORT_GDI);
    pfdFlags_ = value;
}

void TOpenGLPanel::SetFont3DFormat(TFont3DFormat value)
{
    font3DFormat_ = value;
    font3DFormatValue_ = value == f_WGL_FONT_LINES ? platform::WGL_FONT_LINES : platform::WGL_FONT_POLYGONS;
}

platform::PixelFormatDescriptor TOpenGLPanel::RequestedPixelFormat() const
{
    using namespace platform;
    static constexpr std::pair<TPFDFlags, std::uint32_t> plainFlags[] = {
        {f_PFD_DRAW_TO_WINDOW, PFD_DRAW_TO_WINDOW},
        {f_PFD_DRAW_TO_BITMAP, PFD_DRAW_TO_BITMAP},
        {f_PFD_SUPPORT_OPENGL, PFD_SUPPORT_OPENGL},
        {f_PFD_GENERIC_ACCELERATED, PFD_GENERIC_ACCELERATED},
        {f_PFD_GENERIC_FORMAT, PFD_GENERIC_FORMAT},
        {f_PFD_NEED_PALETTE, PFD_NEED_PALETTE},
        {f_PFD_NEED_SYSTEM_PALETTE, PFD_NEED_SYSTEM_PALETTE},
        {f_PFD_STEREO, PFD_STEREO},
        {f_PFD_SWAP_LAYER_BUFFERS, PFD_SWAP_LAYER_BUFFERS},
    };
    PixelFormatDescriptor pfd;
    pfd.iPixelType = pixelTypeValue_;
    pfd.cColorBits = cColorBits;
    pfd.cDepthBits = cDepthBits;
    for (const auto& [flag, value] : plainFlags)
        if (pfdFlags_.contains(flag))
            pfd.dwFlags |= value;
    // The setter keeps GDI support and double buffering exclusive; GDI support decides.
    pfd.dwFlags |= pfdFlags_.contains(f_PFD_SUPPORT_GDI) ? PFD_SUPPORT_GDI : PFD_DOUBLEBUFFER;
    return pfd;
}

void TOpenGLPanel::fire(const TNotifyEvent& handler)
{
    if (handler)
        platform::guarded([&] { handler(this); });
}

bool TOpenGLPanel::event(QEvent* e)
{
    // The context is made when the window first composes the panel. The owner's last word on
    // it comes when the panel is first polished or shown, and the format follows the
    // properties until then.
    if (!isValid()) {
        if (!windowPrepared_ && (e->type() == QEvent::Polish || e->type() == QEvent::Show)) {
            windowPrepared_ = true;
            TriggerPreInit();
        }
        setFormat(platform::SurfaceFormatFor(RequestedPixelFormat()));
    }
    const bool handled = QOpenGLWidget::event(e);
    // Owners switch between panels relying on no context being left current by the panel.
    if (context() && QOpenGLContext::currentContext() == context())
        doneCurrent();
    return handled;
}

bool TOpenGLPanel::CreateGLContext()
{
    const platform::PixelFormatDescriptor requested = RequestedPixelFormat();
    // Colour-index rendering cannot run the fixed-function drawing: no context is made for it.
    if (requested.iPixelType != platform::PFD_TYPE_RGBA)
        return false;
    // A context the system could not give, or a core-profile one without that drawing, is a failed one.
    if (!context() || !context()->isValid() || context()->format().profile() == QSurfaceFormat::CoreProfile) {
        platform::ShowMessage("wglRenderingContext:" + noSystemError);
        return false;
    }
    doubleBuffered_ = (requested.dwFlags & platform::PFD_DOUBLEBUFFER) != 0;
    const platform::PixelFormatDescriptor described = platform::DescribePixelFormat(requested, context()->format());
    if ((described.dwFlags & platform::PFD_NEED_PALETTE) && !platform::ConstructPalette(described)) {
        platform::ShowMessage("ConstructPalette: Malloc failure");
        return false;
    }
    return true;
}

void TOpenGLPanel::DestroyGLContext()
{
    if (contextMade_ && (font3D_ || font2D_ || backBuffer_ || frontBuffer_)) {
        makeCurrent();
        font3D_.reset();
        font2D_.reset();
        FreeSwapBuffers();
        doneCurrent();
    }
    font3D_.reset();
    font2D_.reset();
    FreeSwapBuffers();
    contextMade_ = false;
    windowPrepared_ = false;
}

void TOpenGLPanel::initializeGL()
{
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &TOpenGLPanel::DestroyGLContext,
            Qt::UniqueConnection);
    if (!windowPrepared_) {
        windowPrepared_ = true;
        TriggerPreInit();
    }
    contextFailed_ = !CreateGLContext();
    if (contextFailed_) {
        platform::ShowMessage("Open GL Context Create Failed");
        return;
    }
    contextMade_ = true;
    // Fonts cost time and lists; only an owner that draws (it has an OnInit) gets them.
    if (!OnInit)
        return;
    if (Font3D_Enabled)
        Create3DFont();
    if (Font2D_Enabled)
        Create2DFont();
    TriggerInit();
}

void TOpenGLPanel::resizeGL(int, int)
{
    refillShown_ = true;
    if (usable())
        TriggerResize();
}

void TOpenGLPanel::paintGL()
{
    const platform::PaintMessageScope boxesWait;
    if (!usable())
        return;
    if (PaintsManually())
        PaintManually();
    else
        TriggerPaint();
}

bool TOpenGLPanel::MakeOpenGLPanelCurrent()
{
    if (contextFailed_)
        return false;
    if (contextMade_ && isValid()) {
        makeCurrent();
        if (QOpenGLContext::currentContext() == context()) {
            if (PaintsManually())
                BindBackBuffer();
            return true;
        }
    }
    platform::ShowMessage("wglMakeCurrent:" + noSystemError);
    return false;
}

void TOpenGLPanel::MakeOpenGLPanelNotCurrent()
{
    if (QOpenGLContext* current = QOpenGLContext::currentContext())
        current->doneCurrent();
}

bool TOpenGLPanel::PanelShareLists(TOpenGLPanel* other) const
{
    return other && context() && other->context() && QOpenGLContext::areSharing(context(), other->context());
}

void TOpenGLPanel::Create2DFont()
{
    font2D_.reset();
    font2D_ = Create2DFont(&font2DType_, Font2D_FirstGylph, Font2D_NumGylph);
}

void TOpenGLPanel::Create3DFont()
{
    font3D_.reset();
    font3D_ = Create3DFont(&font3DType_, Font3D_FirstGylph, font3DFormatValue_, Font3D_Extrustion,
                           Font3D_MaxDeviation, Font3D_NumGylph);
}

std::unique_ptr<platform::OpenGLFont2D> TOpenGLPanel::Create2DFont(const QFont* font, int first, int count)
{
    return platform::Create2DFont(font, first, count);
}

std::unique_ptr<platform::OpenGLFont3D> TOpenGLPanel::Create3DFont(const QFont* font, int first, int format,
                                                                   float extrusion, float deviation, int count)
{
    return platform::Create3DFont(font, first, format, extrusion, deviation, count);
}

void TOpenGLPanel::Draw2DText(const std::string& text) { platform::Draw2DText(font2D_.get(), text); }

void TOpenGLPanel::Draw2DText(const platform::OpenGLFont2D* font, const std::string& text)
{
    platform::Draw2DText(font, text);
}

void TOpenGLPanel::Draw3DText(const std::string& text) { platform::Draw3DText(font3D_.get(), text); }

void TOpenGLPanel::Draw3DText(const platform::OpenGLFont3D* font, const std::string& text)
{
    platform::Draw3DText(font, text);
}

void TOpenGLPanel::Get3DTextSize(const std::string& text, double* size)
{
    platform::Get3DTextSize(font3D_.get(), text, size);
}

void TOpenGLPanel::Get3DTextSize(const platform::OpenGLFont3D* font, const std::string& text, double* size)
{
    platform::Get3DTextSize(font, text, size);
}
