#pragma once

#include "filemanager/myBMPTexture.h"

#include <GL/gl.h>

// How a texture is sampled: what its users ask of the picture at its edges and up close.
struct TextureSampling {
    GLint wrap = GL_REPEAT;
    GLint filter = GL_LINEAR;
    GLint envMode = GL_MODULATE;
};

// Uploads the record as the texture textureId names, replacing the old one, and gives the
// error OpenGL reported (textureId is 0 after an error). Runs in the shared resource context,
// so the name is valid in every panel, and whatever context was current (a panel painting)
// is current again afterwards. Throws platform::Exception when there is no such context.
GLenum UploadTexture(GLuint& textureId, const myBMPTexture& texture, const TextureSampling& sampling);
