#pragma once

#include "platform/ui/IniFile.h"

#include <array>
#include <cstdint>
#include <string>

// The settings file "PELVAXON.INI": its sections, keys, types and defaults, read into
// plain records and written back from them in the file's key order. Applying a record to
// the windows (and the order of that) is the main window's business.

namespace settings {
inline const std::string View = "View";
inline const std::string Panels = "Panels";
inline const std::string Tracert = "tracert";
inline const std::string Privchat = "privchat";
inline const std::string LastHost = "lasthost";
inline const std::string GlobeUsed = "globeused";
// The trace-route window's host until the user traces one of their own.
inline const std::string DefaultTraceHost = "duckduckgo.com";
} // namespace settings

// A panel's 2D font as the file keeps it. The character set means nothing to the fonts
// here; it is kept so that it is written back as it was read.
struct PanelFontSettings {
    std::string name = "Arial";
    int size = 8;
    int charset = 1;
    bool bold = false;
    bool italic = false;
};

// Section [View].
struct ViewSettings {
    bool ctrlButtons = true;
    bool buttons = true;
    bool status = true;
    bool header = true;
    bool lastIcon = true;
    bool draw3DText = true;
    int icon3DLimit = 150;
    bool viewFilePlane = true;
    bool viewBkgPic = true;
    int splitter = 30;
    PanelFontSettings font;
    std::string bkgFileName; // default: the program directory + "ngc3132a.jpg"
    std::string icon3DDir;   // default: the program directory + "icon3d/"
};

ViewSettings ReadViewSettings(const platform::IniFile& ini, const std::string& exeDir);
// "Ctrlbuttons" to "ic3ddirnam" in file order; the font style keys come later in the
// pass (WriteFontStyle), so in a new file they end the section.
void WriteViewSettings(platform::IniFile& ini, const ViewSettings& view);
PanelFontSettings ReadPanelFont(const platform::IniFile& ini);
void WriteFontStyle(platform::IniFile& ini, const PanelFontSettings& font);

// The keys of one panel in section [Panels], each prefixed with "Left" or "Right".
struct PanelSettings {
    std::string filter = "*.*";
    std::string dir; // default: the home directory
    double tranx = -8.0;
    // The reset view's camera: the grid and the tree seen from above.
    double trany = 4.0;
    double tranz = -30.0;
    double rotx = 135.0;
    double roty = 0.0;
    std::array<float, 3> bkgcol{0.0f, 0.0f, 0.0f};
    std::array<float, 3> filplancol{0.5607843137255f, 0.7372549019608f, 0.5607843137255f};
    std::array<float, 3> selcol{1.0f, 0.0f, 0.0f};
    std::array<std::uint8_t, 3> actcol{152, 226, 245};
    bool dspnam = true;
    bool dspsizasheight = true;
    bool dspsiz = false;
    bool dspdat = false;
    bool dspatr = false;
    // "byname", "byext", "bydat" or "bysiz" as stored; empty when no sort item is
    // checked, and then the key is removed from the file.
    std::string sort = "byname";
    bool reversesort = false;
    bool dirtreevisible = true;
    bool dirsizevisible = false;
};

PanelSettings DefaultPanelSettings();
// side is "Left" or "Right". Non-finite numbers give the default; colours are clamped to
// 0..1 (bytes to 0..255) and camera values to a sane range, so no later conversion to an
// integer or a GL call ever sees them.
PanelSettings ReadPanelSettings(const platform::IniFile& ini, const std::string& side);
void WritePanelSettings(platform::IniFile& ini, const std::string& side, const PanelSettings& panel);
