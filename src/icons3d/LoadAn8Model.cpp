#include "icons3d/LoadAn8Model.h"

#include "platform/fs/OpenRegularFile.h"
#include "platform/fs/Path.h"

#include <cerrno>
#include <new>

namespace {

std::unique_ptr<An8Model> load(An8File& file, const std::string& name, const std::string& directory, int mask,
                               An8TextureLoader& textures, const An8MessageSink& messages, An8Error* error)
{
    auto say = [&](const std::string& text) {
        if (messages)
            messages(text);
    };
    std::unique_ptr<An8Model> model;
    An8Error failure;
    try {
        An8Reader reader(file, name, directory, mask, textures, messages);
        model = reader.read();
        failure = reader.error();
    } catch (const std::bad_alloc&) {
        say("not enough memory\n" + name);
        return nullptr;
    }
    if (error)
        *error = failure;
    if (failure.failed()) {
        say(An8ErrorMessage(failure, name));
        return nullptr;
    }
    // A failed read looks like the end of the data; what came before is no whole model,
    // and the GL names of its textures go back as after any other failure.
    if (file.readFailed()) {
        FreeAn8Textures(model->textures, [&](uint32_t id) { textures.DeleteTexture(id); });
        say("error reading " + name);
        return nullptr;
    }
    return model;
}

} // namespace

std::unique_ptr<An8Model> LoadAn8Model(const std::string& path, int mask, An8TextureLoader& textures,
                                       const An8MessageSink& messages, An8Error* error)
{
    platform::FileDescriptor fd;
    try {
        fd = platform::OpenRegularFile(path);
    } catch (const platform::FileOpenError& failure) {
        // Most extensions have no model, so an absent one is no news; nor is a name too long
        // to be there.
        const int error = failure.errorNumber();
        const bool absent = error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG;
        if (!absent && messages)
            messages(failure.what());
        return nullptr;
    }
    An8File file(std::move(fd));
    return load(file, path, platform::DirectoryOf(path), mask, textures, messages, error);
}

std::unique_ptr<An8Model> LoadAn8ModelFromBytes(std::string_view bytes, const std::string& name,
                                                const std::string& directory, int mask, An8TextureLoader& textures,
                                                const An8MessageSink& messages, An8Error* error)
{
    An8File file(An8File::InMemory{}, bytes);
    return load(file, name, directory, mask, textures, messages, error);
}
