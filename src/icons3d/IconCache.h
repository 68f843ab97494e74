#pragma once

#include "icons3d/An8Model.h"
#include "icons3d/An8TextureLoader.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

class QWidget;
struct GLUquadric;

// One cache entry: the model of one extension, null when none could be read.
struct ic3d {
    std::unique_ptr<An8Model> model;
    std::string ext;                 // the key: the ASCII-lower-cased extension, dot included
    std::string path;                // the file it was read from
    bool loading = false;            // being read now: a look-up from within gets null
    bool holdsText = false;          // drawn afresh every time, never from a stored list
    uint32_t displayList = 0;        // the model compiled once, shared by every view
    bool gluErrorShown = false;      // a GLU error is reported once per model
};

// The 3D icons of the panels: one model per extension, read from the icon directory the first
// time a panel draws the extension and kept until FreeIconCache. Models are read inside a
// panel's paint, the window's caption showing the progress; their messages wait for the
// paint's end (platform::PaintMessageScope).
class IconCache {
public:
    using ModelReader = std::function<std::unique_ptr<An8Model>(const std::string& path)>;

    // directory gives the icon directory (ending in "/") at each read; the caption of
    // captionWindow shows the progress; textures makes the models' texture names.
    IconCache(std::function<std::string()> directory, QWidget& captionWindow, An8TextureLoader& textures);
    ~IconCache();
    IconCache(const IconCache&) = delete;
    IconCache& operator=(const IconCache&) = delete;

    // The model of an extension (".txt" and ".TXT" alike), read on the first look-up; null
    // when there is none, and then no file is tried again until FreeIconCache.
    An8Model* GetExtensionIcon(const std::string& extension);
    // Draws the extension's model at the current matrix of the current context, with the
    // view's outline text; nothing when there is no model.
    void DrawExtensionIcon(const std::string& extension, GLUquadric* quadric,
                           const std::function<void(const std::string&)>& drawText);
    // Frees every model, giving its texture names and stored list back in the shared
    // context; the next look-ups read the files again. Never call it inside a paint.
    void FreeIconCache();

    std::size_t size() const { return entries_.size(); }
    const ic3d* Entry(const std::string& extension) const;

    // Reads one model file; LoadAn8Model with the texture loader, messages shown, by default.
    ModelReader readModel;
    // Stores each model without text as a display list the first time it is drawn.
    bool useDisplayLists = true;

    static constexpr std::int64_t kMaxFileSize = 32 * 1024 * 1024;

private:
    ic3d& Load(const std::string& key);

    std::function<std::string()> directory_;
    QWidget& captionWindow_;
    std::unordered_map<std::string, ic3d> entries_;
};
