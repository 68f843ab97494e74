#include "icons3d/IconCache.h"

#include "icons3d/An8Draw.h"
#include "icons3d/An8Normalize.h"
#include "icons3d/LoadAn8Model.h"
#include "platform/base/AsciiCase.h"
#include "platform/fs/Path.h"
#include "platform/gl/ResourceContext.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"
#include "platform/ui/TemporaryCaption.h"

#include <GL/gl.h>

#include <sys/stat.h>

namespace {

bool TooLarge(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_size > IconCache::kMaxFileSize;
}

} // namespace

IconCache::IconCache(std::function<std::string()> directory, QWidget& captionWindow, An8TextureLoader& textures)
    : directory_(std::move(directory)), captionWindow_(captionWindow)
{
    readModel = [&textures](const std::string& path) {
        return LoadAn8Model(path, kAn8ReadAll, textures, [](const std::string& text) { platform::ShowMessage(text); });
    };
}

// Without a context at hand, the names of what is left are given up with the process.
IconCache::~IconCache() = default;

const ic3d* IconCache::Entry(const std::string& extension) const
{
    const auto found = entries_.find(platform::AsciiLowerCase(extension));
    return found == entries_.end() ? nullptr : &found->second;
}

An8Model* IconCache::GetExtensionIcon(const std::string& extension)
{
    const std::string key = platform::AsciiLowerCase(extension);
    const auto found = entries_.find(key);
    if (found != entries_.end())
        return found->second.loading ? nullptr : found->second.model.get();
    return Load(key).model.get();
}

ic3d& IconCache::Load(const std::string& key)
{
    // In the cache before the file is read, so a look-up from within the read gets null
    // and starts no second read.
    ic3d& entry = entries_[key];
    entry.ext = key;
    entry.loading = true;
    entry.path = platform::JoinPath(directory_(), key.substr(1) + ".an8");
    try {
        const platform::TemporaryCaption getting(captionWindow_, "Pelvaxon - getting 3D icon: " + entry.path);
        if (TooLarge(entry.path))
            platform::ShowMessage("3D icon file too large: " + entry.path);
        else
            entry.model = readModel(entry.path);
        if (entry.model) {
            const platform::TemporaryCaption shrinking(captionWindow_, "Pelvaxon - shrinking 3D icon: " + entry.path);
            const An8ModelSize size = NormalizeModelSize(entry.model->elements);
            entry.holdsText = size.holdsText;
            if (size.tooComplex) {
                platform::ShowMessage("3D icon too complex: " + entry.path);
                entry.model.reset();
            }
        }
    } catch (...) {
        entry.model.reset();
        platform::showException();
    }
    entry.loading = false;
    return entry;
}

void IconCache::DrawExtensionIcon(const std::string& extension, GLUquadric* quadric,
                                  const std::function<void(const std::string&)>& drawText)
{
    const An8Model* model = GetExtensionIcon(extension);
    if (!model)
        return;
    ic3d& entry = entries_.find(platform::AsciiLowerCase(extension))->second;
    GLint mode = GL_RENDER;
    glGetIntegerv(GL_RENDER_MODE, &mode);
    // Mesa crashes replaying a stored quadric in select mode, so a pick pass draws afresh.
    const bool selecting = mode == GL_SELECT;
    if (entry.displayList != 0 && !selecting) {
        glCallList(entry.displayList);
        return;
    }
    const An8DrawContext context{*model, quadric, drawText, [&entry](const std::string& error) {
                                     if (entry.gluErrorShown)
                                         return;
                                     entry.gluErrorShown = true;
                                     platform::ShowMessage(error + "\n" + entry.path);
                                 }};
    // A text's glyphs are the drawing view's own lists, which a font change replaces.
    if (useDisplayLists && !entry.holdsText && !selecting) {
        entry.displayList = glGenLists(1);
        if (entry.displayList != 0) {
            glNewList(entry.displayList, GL_COMPILE);
            DrawNodeList(context, model->elements);
            glEndList();
            glCallList(entry.displayList);
            return;
        }
    }
    DrawNodeList(context, model->elements);
}

void IconCache::FreeIconCache()
{
    bool holdsNames = false;
    for (const auto& [key, entry] : entries_)
        holdsNames = holdsNames || entry.displayList != 0 || (entry.model && !entry.model->textures.empty());
    if (holdsNames) {
        platform::guarded([this] {
            const platform::ResourceContextScope scope;
            for (auto& [key, entry] : entries_) {
                if (entry.displayList != 0)
                    glDeleteLists(entry.displayList, 1);
                entry.displayList = 0;
                if (entry.model)
                    FreeAn8Textures(entry.model->textures, [](uint32_t id) {
                        const GLuint name = id;
                        glDeleteTextures(1, &name);
                    });
            }
        });
    }
    for (auto& [key, entry] : entries_) {
        if (!entry.model)
            continue;
        FreeAn8Materials(entry.model->materials);
        FreeAn8Textures(entry.model->textures, nullptr);
        FreeNodeList(entry.model->elements);
    }
    entries_.clear();
}
