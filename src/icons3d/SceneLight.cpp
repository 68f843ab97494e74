#include "icons3d/SceneLight.h"

#include <GL/gl.h>

void SetupSceneLight()
{
    static const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
    static const GLfloat direction[] = {1.0f, 1.0f, 1.0f, 0.0f};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, white);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
}
