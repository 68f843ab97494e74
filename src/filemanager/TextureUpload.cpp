#include "filemanager/TextureUpload.h"

#include "platform/gl/ResourceContext.h"

GLenum UploadTexture(GLuint& textureId, const myBMPTexture& texture, const TextureSampling& sampling)
{
    const platform::ResourceContextScope scope;
    glEnable(GL_TEXTURE_2D);
    if (textureId != 0)
        glDeleteTextures(1, &textureId);
    textureId = 0;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, sampling.wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, sampling.wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, sampling.filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, sampling.filter);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, sampling.envMode);
    // Errors of earlier work must not count against this upload; a context reports each
    // kind once, so a few reads clear them.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {}
    glTexImage2D(GL_TEXTURE_2D, 0, texture.components, texture.width, texture.height, 0, GLenum(texture.format),
                 GLenum(texture.type), texture.data.data());
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        glDeleteTextures(1, &textureId);
        textureId = 0;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    return error;
}
