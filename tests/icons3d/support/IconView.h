#pragma once

// A 128x128 view drawing what a test gives it under a file panel's state: clockwise front
// faces, two-sided lighting, the scene light, depth test, a fixed camera on the z axis
// looking at the origin. Icons are drawn with lighting on, as the panels call them, and
// with the view's own quadric.

#include "icons3d/An8TextureLoader.h"
#include "icons3d/SceneLight.h"
#include "platform/gl/ResourceContext.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QOpenGLWidget>

#include <functional>
#include <string>
#include <vector>

class IconView : public QOpenGLWidget {
public:
    explicit IconView(double distance = 4) : distance_(distance) { setFixedSize(128, 128); }
    ~IconView() override { gluDeleteQuadric(quadric); }

    std::function<void()> draw;
    GLUquadric* const quadric = gluNewQuadric();

protected:
    void paintGL() override
    {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glShadeModel(GL_SMOOTH);
        glFrontFace(GL_CW);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(30, 1, 0.1, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslated(0, 0, -distance_);
        SetupSceneLight();
        glEnable(GL_LIGHTING);
        if (draw)
            draw();
    }

private:
    double distance_;
};

// Within a paint: `draw` run in select mode under pick name `name`; the hit count, the
// records left in `buffer`.
inline GLint PickHits(GLuint name, const std::function<void()>& draw, GLuint (&buffer)[64])
{
    glSelectBuffer(64, buffer);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(name);
    glEnable(GL_LIGHTING);
    draw();
    return glRenderMode(GL_RENDER);
}

// Real texture names of one light texel, made in the shared context, every load recorded: a
// textured face shows, where an unknown name would sample black on the black background.
class TexelTextures : public An8TextureLoader {
public:
    uint32_t LoadTexture(const std::string& path) override
    {
        loaded.push_back(path);
        const platform::ResourceContextScope scope;
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        const unsigned char texel[4] = {220, 200, 160, 255};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
        names.push_back(name);
        return name;
    }
    void DeleteTexture(uint32_t) override {}

    std::vector<std::string> loaded;
    std::vector<GLuint> names;
};
