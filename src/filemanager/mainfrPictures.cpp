// Pictures turned into textures: the background picture and the textures of icon models.
#include "filemanager/mainfr.h"

#include "filemanager/TextureUpload.h"
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
        error = UploadTexture(textureId, *texture, TextureSampling{});
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
