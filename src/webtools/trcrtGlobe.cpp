// The trace window's view: the globe with the route, or the ring of round-trip times, and
// how the user turns, pans and zooms it.
#include "webtools/trcrt.h"

#include "filemanager/OpenGLPanel.h"
#include "filemanager/TextureUpload.h"
#include "filemanager/mainfr.h"
#include "platform/gl/DisplayListFont.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>

#include <GL/glu.h>
#include <unistd.h>

#include <set>

using namespace globe;

namespace {

// A quadric error would show a box from inside the paint, which paints again: each kind of
// error is told once.
void QuadricError(GLenum code)
{
    static std::set<GLenum> told;
    if (!told.insert(code).second)
        return;
    const auto* text = reinterpret_cast<const char*>(gluErrorString(code));
    platform::ShowMessage(text ? text : "GLU error " + std::to_string(code));
}

void Vertex(const Point3& p)
{
    glVertex3d(p.x, p.y, p.z);
}

void RasterPos(const Point3& p)
{
    glRasterPos3d(p.x, p.y, p.z);
}

Point3 HopPoint(const HopInfo& hop)
{
    return {hop.x, hop.y, hop.z};
}

// Hops and the ring are drawn unlit, in hop coordinates turned onto the globe's poles.
class HopScene {
public:
    HopScene()
    {
        glPushMatrix();
        glDisable(GL_LIGHTING);
        glRotated(90, 1, 0, 0);
    }
    ~HopScene()
    {
        glEnable(GL_LIGHTING);
        glPopMatrix();
    }
    HopScene(const HopScene&) = delete;
    HopScene& operator=(const HopScene&) = delete;
};

void RedPoints(GLfloat size, const std::vector<Point3>& points)
{
    glPointSize(size);
    glColor3d(1, 0, 0);
    glBegin(GL_POINTS);
    for (const Point3& p : points)
        Vertex(p);
    glEnd();
}

} // namespace

void TtracertForm::SetupLight()
{
    const GLfloat white[] = {1, 1, 1, 1};
    const GLfloat position[] = {1, 1, 1, 0};
    glLightfv(GL_LIGHT0, GL_AMBIENT, white);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

void TtracertForm::SetProjection()
{
    const int w = OpenGLPanel1->width();
    const int h = OpenGLPanel1->height();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, h > 0 ? double(w) / h : double(w), 1, 256);
    glMatrixMode(GL_MODELVIEW);
}

void TtracertForm::OpenGLPanel1Init()
{
    hostEditActive = false;
    glClearColor(0, 0, 0, 1);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthRange(0, 1);
    glShadeModel(GL_SMOOTH);
    SetupLight();
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glFrontFace(GL_CW);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    SetProjection();
    view.Reset();
    // The globe picture is not forgotten here: it was uploaded for every context at the first
    // showing, which comes before the panel's context is made.
    if (!quadric)
        quadric = gluNewQuadric();
}

void TtracertForm::OpenGLPanel1Resize()
{
    const qreal ratio = OpenGLPanel1->devicePixelRatioF();
    glViewport(0, 0, GLsizei(OpenGLPanel1->width() * ratio), GLsizei(OpenGLPanel1->height() * ratio));
    SetProjection();
    KeepResultListWidth();
}

void TtracertForm::OpenGLPanel1Paint()
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(view.panX, view.panY, view.zoom);
    glRotated(view.rotY, 0, 1, 0);
    glRotated(view.rotX, 1, 0, 0);
    if (globeCheckBox->isChecked()) {
        DrawGlobe();
        DrawHops();
    } else {
        DrawRingView();
    }
    glFlush();
}

void TtracertForm::DrawGlobe()
{
    if (!quadric)
        return;
    SetupLight();
    glPushMatrix();
    glShadeModel(GL_SMOOTH);
    const GLfloat blue[] = {0, 0, 255, 255};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, blue);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, globeTexture);
    // Texture environment and coordinate generation belong to each context, not to the texture.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    gluQuadricCallback(quadric, GLU_ERROR, reinterpret_cast<_GLUfuncptr>(&QuadricError));
    gluQuadricDrawStyle(quadric, GLU_FILL);
    gluQuadricNormals(quadric, GLU_SMOOTH);
    gluQuadricTexture(quadric, globeTexture != 0 ? GL_TRUE : GL_FALSE);
    gluSphere(quadric, SphereRadius, SphereSlices, SphereStacks);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}

void TtracertForm::DrawLabel(const std::string& text)
{
    const platform::OpenGLFont2D* font = OpenGLPanel1->Font2D();
    if (font)
        OpenGLPanel1->Draw2DText(platform::GlyphText(text, font->first, font->count));
}

void TtracertForm::DrawHops()
{
    if (hopList.empty())
        return;
    const HopScene scene;
    std::vector<Point3> points;
    for (const HopInfo& hop : hopList)
        if (IsShownOnGlobe(hop))
            points.push_back(HopPoint(hop));
    RedPoints(3, points);

    glColor3d(0, 1, 1);
    glBegin(GL_LINES);
    for (const auto& [start, end] : RouteArcs(hopList)) {
        for (const Segment& segment : ArcSegments(hopList[start], hopList[end])) {
            Vertex(segment.from);
            Vertex(segment.to);
        }
    }
    glEnd();

    // Yellow for places from the cache, red for places fetched for this trace.
    glBegin(GL_LINES);
    for (const HopInfo& hop : hopList) {
        if (!IsShownOnGlobe(hop))
            continue;
        glColor3d(1, hop.fromCache ? 1 : 0, 0);
        Vertex(HopPoint(hop));
        Vertex(Scaled(HopPoint(hop), LabelFactor));
    }
    glEnd();

    glColor3d(1, 1, 1);
    for (std::size_t i = 0; i < hopList.size(); ++i) {
        if (!IsShownOnGlobe(hopList[i]))
            continue;
        RasterPos(Scaled(HopPoint(hopList[i]), LabelFactor));
        DrawLabel(GlobeLabel(hopList, i));
    }
}

void TtracertForm::DrawRingView()
{
    const std::vector<RingHop> ring = RingView(hopList);
    if (ring.empty())
        return;
    const HopScene scene;
    std::vector<Point3> points;
    for (const RingHop& hop : ring)
        points.push_back(hop.point);
    RedPoints(4, points);

    glBegin(GL_LINES);
    Point3 from = RingStart;
    for (const RingHop& hop : ring) {
        glColor3d(hop.red, 1, 1);
        Vertex(from);
        Vertex(hop.point);
        from = hop.point;
    }
    glEnd();

    glColor3d(1, 1, 1);
    for (std::size_t i = 0; i < ring.size(); ++i) {
        RasterPos(Scaled(ring[i].point, LabelFactor));
        DrawLabel(RingLabel(hopList[i]));
    }
}

std::unique_ptr<myBMPTexture> TtracertForm::LoadGlobeTexture(const std::string& FileName)
{
    if (::access(FileName.c_str(), F_OK) != 0)
        return nullptr;
    try {
        std::unique_ptr<myBMPTexture> picture =
            MainForm ? MainForm->LoadPictureImage(FileName, false) : LoadTextureRecord(FileName, false);
        if (!picture) {
            platform::ShowMessage("loading of globe picture file '" + FileName + "' failed");
            return nullptr;
        }
        const GLenum error = UploadTexture(globeTexture, *picture, {GL_CLAMP, GL_NEAREST, GL_DECAL});
        if (error == GL_INVALID_VALUE)
            platform::ShowMessage(FileName + " is not usable for background (width or height is not power of 2 ?)");
        else if (error != GL_NO_ERROR)
            platform::ShowMessage(FileName + " is not usable for background");
        return picture;
    } catch (...) {
        platform::showException();
        return nullptr;
    }
}

MotionMode TtracertForm::ChosenMode() const
{
    if (panRadioButton->isChecked())
        return PanMotion;
    if (rotateRadioButton->isChecked())
        return RotateMotion;
    if (zoomRadioButton->isChecked())
        return ZoomMotion;
    return NoMotion;
}

void TtracertForm::ApplyMotion()
{
    view.Apply(motionMode, current.x() - previous.x(), current.y() - previous.y());
}

void TtracertForm::OpenGLPanel1MouseDown(QPoint at, platform::ShiftState Shift)
{
    hostEditActive = false;
    if (QWidget* focused = focusWidget())
        focused->clearFocus();
    current = previous = pressed = at;
    motionMode = ModeFor(Shift.alt, Shift.ctrl, ChosenMode());
}

void TtracertForm::OpenGLPanel1MouseMove(QPoint at, bool leftHeld)
{
    if (motionMode == NoMotion || !leftHeld) {
        motionMode = NoMotion;
        return;
    }
    previous = current;
    current = at;
    ApplyMotion();
    RepaintPanel();
}

void TtracertForm::OpenGLPanel1MouseUp()
{
    motionMode = NoMotion;
}

void TtracertForm::OpenGLPanel1KeyDown(int Key, platform::ShiftState Shift)
{
    if (!Shift.shift)
        motionMode = ModeFor(Shift.alt, Shift.ctrl, ChosenMode());
    previous = current;
    if (!Shift.shift && !hostEditActive) {
        const Step step = ArrowStep(Key);
        current += QPoint(step.dx, step.dy);
        ApplyMotion();
    }
    RepaintPanel();
}

void TtracertForm::OpenGLPanel1KeyUp(int Key)
{
    if (IsArrowKey(Key))
        motionMode = NoMotion;
}

void TtracertForm::FormKeyDown(int Key, platform::ShiftState Shift)
{
    // The window sees every key first, so the arrows move the view wherever the focus is.
    if (IsArrowKey(Key))
        OpenGLPanel1KeyDown(Key, Shift);
}

void TtracertForm::FormKeyUp(int Key, platform::ShiftState Shift)
{
    OpenGLPanel1KeyUp(Key);
    if (Shift.ctrl || hostEditActive)
        return;
    if (Key == 'P')
        panRadioButton->setChecked(true);
    else if (Key == 'R')
        rotateRadioButton->setChecked(true);
    else if (Key == 'Z')
        zoomRadioButton->setChecked(true);
}

void TtracertForm::HostEditClick()
{
    hostEditActive = true;
}

bool TtracertForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == HostEdit && event->type() == QEvent::MouseButtonPress) {
        platform::guarded([this] { HostEditClick(); });
    } else if (watched == OpenGLPanel1) {
        const auto type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
            return QWidget::eventFilter(watched, event);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        platform::guarded([&] {
            if (type == QEvent::MouseButtonPress)
                OpenGLPanel1MouseDown(at, platform::shiftStateOf(mouse->modifiers()));
            else if (type == QEvent::MouseMove)
                OpenGLPanel1MouseMove(at, mouse->buttons().testFlag(Qt::LeftButton));
            else
                OpenGLPanel1MouseUp();
        });
    }
    return QWidget::eventFilter(watched, event);
}
