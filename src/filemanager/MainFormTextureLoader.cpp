#include "filemanager/MainFormTextureLoader.h"

#include "filemanager/mainfr.h"
#include "platform/gl/ResourceContext.h"
#include "platform/ui/ExceptionGuard.h"

uint32_t MainFormTextureLoader::LoadTexture(const std::string& path)
{
    GLuint id = 0;
    return form_.LoadPictureTexture(id, path) ? id : 0;
}

void MainFormTextureLoader::DeleteTexture(uint32_t id)
{
    if (id == 0)
        return;
    platform::guarded([id] {
        const platform::ResourceContextScope scope;
        const GLuint name = id;
        glDeleteTextures(1, &name);
    });
}
