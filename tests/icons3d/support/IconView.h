#pragma once

// A 128x128 view drawing what a test gives it under a file panel's state: clockwise front
// faces, two-sided lighting, the scene light, depth test, a fixed camera on the z axis
// looking at the origin. Icons are drawn with lighting on, as the panels call them.

#include "icons3d/SceneLight.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QOpenGLWidget>

#include <functional>

class IconView : public QOpenGLWidget {
public:
    explicit IconView(double distance = 4) : distance_(distance) { setFixedSize(128, 128); }

    std::function<void()> draw;

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
        if (draw)
            draw();
    }

private:
    double distance_;
};
