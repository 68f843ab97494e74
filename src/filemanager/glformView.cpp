// The panel's OpenGL events, camera and the two view transforms.
#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelHost.h"
#include "filemanager/Settings.h"
#include "filemanager/glform.h"
#include "icons3d/SceneLight.h"
#include "platform/ui/IniFile.h"
#include "platform/ui/Locations.h"

#include <QFrame>

#include <GL/glu.h>

namespace {

QFont PanelFont(const PanelFontSettings& stored)
{
    QFont font(QString::fromStdString(stored.name), stored.size);
    font.setBold(stored.bold);
    font.setItalic(stored.italic);
    return font;
}

// Perspective of 45 degrees from 1 to 256 units for the panel's current size.
void SetProjection(const TOpenGLPanel& view)
{
    const qreal ratio = view.devicePixelRatioF();
    const int width = int(view.width() * ratio);
    const int height = int(view.height() * ratio);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, height > 0 ? double(width) / height : double(width), 1.0, 256.0);
    glMatrixMode(GL_MODELVIEW);
}

} // namespace

void Tglfr::OpenGLPanel1PreInit()
{
    const QFont font = PanelFont(ReadPanelFont(platform::IniFile(platform::settingsFilePath())));
    OpenGLPanel1->SetFont(font);
    OpenGLPanel1->SetFont3DType(font);
}

void Tglfr::OpenGLPanel1Init()
{
    host.filterEditFocused = false;
    glReady = true;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthRange(0.0, 1.0);
    glShadeModel(GL_SMOOTH);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetupSceneLight();
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glFrontFace(GL_CW);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    SetProjection(*OpenGLPanel1);
    lasticonPanel->hide();
    drawnOnce = false;
}

void Tglfr::OpenGLPanel1Resize()
{
    SetProjection(*OpenGLPanel1);
}

void Tglfr::OpenGLPanel1Paint()
{
    if (painting)
        return;
    painting = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{painting};
    DrawScene(GL_RENDER);
}

void Tglfr::ResetCamera()
{
    // Half-way between the grid's top and the tree's face, both in view from above.
    rotx = 135.0;
    roty = 0.0;
    tranx = -8.0;
    trany = 4.0;
    tranz = -30.0;
}

void Tglfr::ApplyFileViewTransform() const
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(tranx, trany, tranz);
    glRotated(roty, 0.0, 1.0, 0.0);
    glRotated(rotx - 90.0, 1.0, 0.0, 0.0);
}

void Tglfr::ApplyTreeViewTransform() const
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(tranx, trany, tranz);
    glRotated(roty, 0.0, 1.0, 0.0);
    glRotated(rotx, 1.0, 0.0, 0.0);
}
