#pragma once

#include "filemanager/dir.h"
#include "filemanager/myBMPTexture.h"
#include "platform/fs/DriveList.h"

#include <GL/gl.h>

#include <memory>
#include <string>

class Tglfr;

// What a file panel needs of the window that holds it: the view switches the scene obeys,
// the background picture, the keyboard state it shares with its sibling, the mount table
// its drive list is made from, the window title, and the 3D icon drawing. The main window
// is the one host of the program; tests give a fake, so panels stand without it.
class PanelHost : public TitleBar {
public:
    bool draw3DText = false; // labels as outline text, else as bitmap text
    bool viewFilePlane = false; // the translucent plane under the blocks
    bool viewBkgPic = false; // the background picture behind the scene
    bool filterEditFocused = false; // a panel's filter box has the keys
    int icon3DLimit = 0; // 3D icons only for listings of at most this many entries
    // The background picture's pixels, null when there is none; its texture name is the same
    // in every panel.
    std::unique_ptr<myBMPTexture> bkgTexture;
    GLuint bkgTextureId = 0;
    // Where the panels' drive lists learn the mounts; read when a panel is made.
    platform::MountSource mountSource = platform::SystemMounts;

    // Takes the keyboard focus from whatever control has it, so keys reach the panels again.
    virtual void ClearActiveControl() = 0;
    // Draws the 3D icon of an extension at the current transformation of the panel's context.
    virtual void DrawExtensionIcon(Tglfr& panel, const std::string& lext) = 0;
};
