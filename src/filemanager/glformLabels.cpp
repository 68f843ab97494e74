// The texts of the scene: entry labels, the path, both as bitmap or as outline text.
#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelHost.h"
#include "filemanager/PanelTexts.h"
#include "filemanager/Settings.h"
#include "filemanager/glform.h"

#include <QLocale>

float Tglfr::FontPointSize() const
{
    const qreal size = OpenGLPanel1->Font2D_Type().pointSizeF();
    return size > 0 ? float(size) : float(PanelFontSettings().size);
}

void Tglfr::DrawBitmapText(const std::string& text, float x, float y, float z)
{
    // The raster position takes the current colour: the caller sets it first.
    glRasterPos3f(x, y, z);
    OpenGLPanel1->Draw2DText(platform::GlyphText(text, OpenGLPanel1->Font2D_FirstGylph, OpenGLPanel1->Font2D_NumGylph));
}

void Tglfr::DrawLabel(const std::string& text, float x, float y, float z, float scale)
{
    if (!host.draw3DText) {
        DrawBitmapText(text, x, y, z);
        return;
    }
    const float size = FontPointSize() * scale;
    glPushMatrix();
    glTranslatef(x, y, z);
    glScalef(size, 1.0f, size);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    OpenGLPanel1->Draw3DText(platform::GlyphText(text, OpenGLPanel1->Font3D_FirstGylph, OpenGLPanel1->Font3D_NumGylph));
    glPopMatrix();
}

void Tglfr::DrawEntryLabels(const ff& entry, bool largest)
{
    if (dspnam) {
        if (entry.IsDirectory())
            glColor3f(0.0f, 1.0f, 0.0f);
        else
            glColor3f(1.0f, 1.0f, 1.0f);
        DrawLabel(entry.name, -0.5f, 0.0f, 0.7f, 0.025f);
    }
    if (dspsiz || dspatr) {
        if (largest)
            glColor3f(1.0f, 0.0f, 0.0f);
        else
            glColor3f(1.0f, 1.0f, 1.0f);
        DrawLabel(SizeAttributeLabel(entry, dspsiz, dspatr, QLocale()), -0.5f, 0.0f, 1.0f, 0.0185f);
    }
    if (dspdat) {
        glColor3f(0.8f, 0.49803922f, 0.19607843f);
        DrawLabel(DateLabel(entry), -0.5f, 0.0f, 1.3f, 0.0185f);
    }
}

void Tglfr::DrawPathLabel()
{
    ApplyFileViewTransform();
    glColor3f(0.0f, 1.0f, 0.0f);
    DrawBitmapText(dir.path, -2.0f, 0.0f, -2.0f);
}
