#pragma once

#include "platform/gl/DisplayListFont.h"
#include "platform/gl/PixelFormat.h"

#include <QFont>
#include <QOpenGLWidget>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

class QImage;
class QOpenGLFramebufferObject;
class QPrinter;
struct BMPTexture;

enum TPFDPixelTypes { f_PFD_TYPE_RGBA, f_PFD_TYPE_COLORINDEX };

enum TPFDFlags {
    f_PFD_DRAW_TO_WINDOW,
    f_PFD_DRAW_TO_BITMAP,
    f_PFD_SUPPORT_GDI,
    f_PFD_SUPPORT_OPENGL,
    f_PFD_GENERIC_ACCELERATED,
    f_PFD_GENERIC_FORMAT,
    f_PFD_NEED_PALETTE,
    f_PFD_NEED_SYSTEM_PALETTE,
    f_PFD_DOUBLEBUFFER,
    f_PFD_STEREO,
    f_PFD_SWAP_LAYER_BUFFERS
};

// A set of TPFDFlags, one bit per member in declaration order.
class TPFDFlagSet {
public:
    constexpr TPFDFlagSet() = default;
    constexpr TPFDFlagSet(std::initializer_list<TPFDFlags> flags)
    {
        for (TPFDFlags f : flags)
            bits_ |= bit(f);
    }
    constexpr bool contains(TPFDFlags f) const { return (bits_ & bit(f)) != 0; }
    constexpr TPFDFlagSet with(TPFDFlags f) const { return fromBits(bits_ | bit(f)); }
    constexpr TPFDFlagSet without(TPFDFlags f) const { return fromBits(bits_ & ~bit(f)); }
    constexpr bool operator==(const TPFDFlagSet&) const = default;

private:
    static constexpr std::uint16_t bit(TPFDFlags f) { return static_cast<std::uint16_t>(1u << f); }
    static constexpr TPFDFlagSet fromBits(unsigned bits)
    {
        TPFDFlagSet set;
        set.bits_ = static_cast<std::uint16_t>(bits);
        return set;
    }
    std::uint16_t bits_ = 0;
};

enum class TOpenGLSwapBuffers { Auto, Manual };
enum TOpenGLPrintScale { pglNone, pglPrintToFit, pglProportional };
enum TFont3DFormat { f_WGL_FONT_LINES, f_WGL_FONT_POLYGONS };

// A child widget that owns an OpenGL context and hands its owner four moments to draw in:
// OnPreInit (before the context exists), OnInit (context current, display-list fonts made),
// OnResize and OnPaint (context current). Outside those events no context is left current
// by any of its calls: an owner drawing at other times brackets the work with
// MakeOpenGLPanelCurrent / MakeOpenGLPanelNotCurrent. All panels share textures and display
// lists (platform::PrepareOpenGLBeforeApplication must run before the application object).
class TOpenGLPanel : public QOpenGLWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TOpenGLPanel* Sender)>;

    explicit TOpenGLPanel(QWidget* parent = nullptr);
    ~TOpenGLPanel() override;

    // Properties. Changes to the pixel format or the fonts take effect when the context is
    // next made (the first showing).
    TPFDPixelTypes PixelType() const { return pixelType_; }
    void SetPixelType(TPFDPixelTypes value);
    TPFDFlagSet PFDFlags() const { return pfdFlags_; }
    // Keeps exactly one of GDI support and double buffering, preferring the one that is new.
    void SetPFDFlags(TPFDFlagSet value);
    std::uint8_t cColorBits = 32;
    std::uint8_t cDepthBits = 32;
    TOpenGLSwapBuffers GLSwapBuffers = TOpenGLSwapBuffers::Auto;
    int PixelsPerInch = 96;
    TOpenGLPrintScale PrintScale = pglProportional;

    bool Font3D_Enabled = false;
    const QFont& Font3D_Type() const { return font3DType_; }
    void SetFont3DType(const QFont& font) { font3DType_ = font; }
    int Font3D_FirstGylph = 32;
    int Font3D_NumGylph = 96;
    float Font3D_MaxDeviation = 0;
    float Font3D_Extrustion = 0.1f;
    TFont3DFormat Font3D_Format() const { return font3DFormat_; }
    void SetFont3DFormat(TFont3DFormat value);

    bool Font2D_Enabled = false;
    const QFont& Font2D_Type() const { return font2DType_; }
    void SetFont(const QFont& font) { font2DType_ = font; }
    int Font2D_FirstGylph = 32;
    int Font2D_NumGylph = 96;

    TNotifyEvent OnInit;
    TNotifyEvent OnPreInit;
    TNotifyEvent OnResize;
    TNotifyEvent OnPaint;

    // False (after reporting "wglMakeCurrent:" and the error number) when the panel has no
    // usable context; a panel whose context failed was reported once and stays silent.
    bool MakeOpenGLPanelCurrent();
    void MakeOpenGLPanelNotCurrent();
    // Manual swapping: paints (and drawing between MakeOpenGLPanelCurrent and
    // MakeOpenGLPanelNotCurrent) go to a back buffer of the panel's own while the window keeps
    // showing the picture last swapped; SwapBuffers shows the back buffer's picture. With Auto
    // the window shows every paint, and this only pushes out the commands issued so far.
    // Nothing for a panel that is not double-buffered.
    void SwapBuffers();
    bool PanelShareLists(TOpenGLPanel* other) const;

    // Fonts: the panel's own (made from the Font2D_/Font3D_ properties, replacing the
    // previous one) or new ones for the caller; all need the panel's context current.
    void Create2DFont();
    void Create3DFont();
    std::unique_ptr<platform::OpenGLFont2D> Create2DFont(const QFont* font, int first, int count);
    std::unique_ptr<platform::OpenGLFont3D> Create3DFont(const QFont* font, int first, int format, float extrusion,
                                                         float deviation, int count);
    void Draw2DText(const std::string& text);
    void Draw2DText(const platform::OpenGLFont2D* font, const std::string& text);
    void Draw3DText(const std::string& text);
    void Draw3DText(const platform::OpenGLFont3D* font, const std::string& text);
    void Get3DTextSize(const std::string& text, double* size);
    void Get3DTextSize(const platform::OpenGLFont3D* font, const std::string& text, double* size);
    const platform::OpenGLFont2D* Font2D() const { return font2D_.get(); }
    const platform::OpenGLFont3D* Font3D() const { return font3D_.get(); }

    // The pixel format the properties ask for, as the descriptor the context is chosen by.
    platform::PixelFormatDescriptor RequestedPixelFormat() const;

    // Pictures. A BMP file as texture pixels (null on any failure, without a message).
    static std::unique_ptr<BMPTexture> LoadBMPTexture(const std::string& fileName, bool alpha);
    // The panel's picture, painted afresh, on the default printer or on `printer` placed as
    // PrintScale and PixelsPerInch say; false when nothing was printed (an empty panel, no
    // printer, a printer that cannot start: the last two reported).
    bool PrintOpenGLPanel();
    bool PrintOpenGLPanel(QPrinter& printer);
    // The panel's picture as a BMP file; false for an empty panel, which has none. Throws
    // platform::Exception naming the file when it cannot be written.
    bool SaveOpenGLPanelToFile(const std::string& fileName);
    // Needs a current context.
    bool QueryOpenGLExtention(const std::string& name) const;
    int GetDisplayBPP() const;
    bool SetDisplayBPP(int bitsPerPixel);

protected:
    bool event(QEvent* e) override;
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

    void TriggerInit() { fire(OnInit); }
    void TriggerPreInit() { fire(OnPreInit); }
    void TriggerResize() { fire(OnResize); }
    void TriggerPaint() { fire(OnPaint); }

private:
    bool CreateGLContext();
    void DestroyGLContext();
    void fire(const TNotifyEvent& handler);
    bool usable() const { return contextMade_ && !contextFailed_; }
    bool PictureAvailable() const;
    QImage PanelPicture();
    // Manual swapping (OpenGLPanelSwap.cpp).
    bool PaintsManually() const;
    void PaintManually();
    void BindBackBuffer();
    void ShowFrontBuffer();
    void FreeSwapBuffers();

    TPFDPixelTypes pixelType_ = f_PFD_TYPE_RGBA;
    std::uint8_t pixelTypeValue_ = platform::PFD_TYPE_RGBA;
    TPFDFlagSet pfdFlags_{f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_OPENGL, f_PFD_DOUBLEBUFFER};
    TFont3DFormat font3DFormat_ = f_WGL_FONT_POLYGONS;
    int font3DFormatValue_ = platform::WGL_FONT_POLYGONS;
    QFont font3DType_;
    QFont font2DType_;
    bool doubleBuffered_ = false;
    bool windowPrepared_ = false; // OnPreInit ran and the format is set for the coming context
    bool contextMade_ = false;
    bool contextFailed_ = false;
    std::unique_ptr<platform::OpenGLFont3D> font3D_;
    std::unique_ptr<platform::OpenGLFont2D> font2D_;
    std::unique_ptr<QOpenGLFramebufferObject> backBuffer_;
    std::unique_ptr<QOpenGLFramebufferObject> frontBuffer_; // the picture last swapped
    bool refillShown_ = false; // the widget's framebuffer was made anew since the swap
    bool presentOnly_ = false; // the coming paint only shows what a swap put there
    bool painting_ = false;
};
