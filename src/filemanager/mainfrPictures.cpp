// Pictures turned into textures: the background picture and the textures of icon models.
#include "filemanager/mainfr.h"

#include "platform/gl/ResourceContext.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"
#include "platform/ui/TemporaryCaption.h"

#include <GL/gl.h>

#include <sys/stat.h>

namespace {

bool fileExists(const std::string& fileName)
{
    struct stat status {};
    return ::stat(fileName.c_str(), &status) == 0;
}

// Uploads the record as the texture textureId names, replacing the old one, and gives the
// error OpenGL reported. Runs in the shared resource context, so the name is valid in every
// panel, and whatever context was current (a panel painting) is current again afterwards.
GLenum UploadTexture(GLuint& textureId, const myBMPTexture& texture)
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
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Errors of earlier work must not count against this upload; a context reports each
    // kind once, so a few reads clear them.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
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

} // namespace

std::unique_ptr<myBMPTexture> TMainForm::LoadPictureImage(const std::string& FileName, bool alpha)
{
    const platform::TemporaryCaption caption(*this, "Pelvaxon - loading picture: " + FileName);
    const platform::BusyCursor busy;
    return LoadTextureRecord(FileName, alpha);
}

std::unique_ptr<myBMPTexture> TMainForm::LoadPictureTexture(GLuint& textureId, const std::string& FileName)
{
    if (!fileExists(FileName))
        return nullptr;
    std::unique_ptr<myBMPTexture> texture = LoadPictureImage(FileName, false);
    if (!texture) {
        platform::ShowMessage("loading of picture file '" + FileName + "' failed");
        return nullptr;
    }
    GLenum error = GL_NO_ERROR;
    try {
        error = UploadTexture(textureId, *texture);
    } catch (...) {
        platform::showException();
        return nullptr;
    }
    // A record that could not be uploaded is no background: null lets the user pick again.
    if (error == GL_INVALID_VALUE) {
        platform::ShowMessage(FileName + " is not usable for background (width or height is not power of 2 ?)");
        return nullptr;
    }
    if (error != GL_NO_ERROR) {
        platform::ShowMessage(FileName + " is not usable for background");
        return nullptr;
    }
    textureReady = true;
    return texture;
}
