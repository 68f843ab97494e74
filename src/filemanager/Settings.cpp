#include "filemanager/Settings.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace {

using platform::IniFile;

// Camera values beyond this put the scene out of any view; they only come from a damaged file.
constexpr double cameraLimit = 1e6;

// An integer key outside what its field can hold did not convert.
int toInt(long long value, int fallback, int low = INT_MIN, int high = INT_MAX)
{
    return value < low || value > high ? fallback : static_cast<int>(value);
}

// A colour component kept as its byte divided by 255.
struct ColourByte {
    std::uint8_t& value;
};

// The checked sort item, written only when there is one.
struct SortName {
    std::string& value;
};

// The keys of one panel in file order, handed to a reader or a writer, so that the two
// can never disagree on a name or the order.
template <class Visitor>
void visitPanelKeys(PanelSettings& panel, Visitor&& visit)
{
    visit("filter", panel.filter);
    visit("dir", panel.dir);
    visit("Tranx", panel.tranx);
    visit("Trany", panel.trany);
    visit("Tranz", panel.tranz);
    visit("Rotx", panel.rotx);
    visit("Roty", panel.roty);
    const std::pair<const char*, std::array<float, 3>*> colours[] = {
        {"bkgcol", &panel.bkgcol}, {"filplancol", &panel.filplancol}, {"selcol", &panel.selcol}};
    for (const auto& [name, colour] : colours) {
        for (int i = 0; i < 3; ++i)
            visit(name + std::to_string(i), (*colour)[i]);
    }
    for (int i = 0; i < 3; ++i)
        visit("actcol" + std::to_string(i), ColourByte{panel.actcol[i]});
    visit("dspnam", panel.dspnam);
    visit("dspsizasheight", panel.dspsizasheight);
    visit("dspsiz", panel.dspsiz);
    visit("dspdat", panel.dspdat);
    visit("dspatr", panel.dspatr);
    visit("sort", SortName{panel.sort});
    visit("reversesort", panel.reversesort);
    visit("dirtreevisible", panel.dirtreevisible);
    visit("dirsizevisible", panel.dirsizevisible);
}

// Each field starts at its default, which is also what a missing or bad value gives.
struct PanelReader {
    const IniFile& ini;
    std::string prefix;

    std::string key(const std::string& name) const { return prefix + name; }
    void operator()(const std::string& name, std::string& value) const
    {
        value = ini.readString(settings::Panels, key(name), value);
    }
    void operator()(const std::string& name, bool& value) const
    {
        value = ini.readBool(settings::Panels, key(name), value);
    }
    void operator()(const std::string& name, double& value) const
    {
        const double read = ini.readFloat(settings::Panels, key(name), value);
        if (std::isfinite(read))
            value = std::clamp(read, -cameraLimit, cameraLimit);
    }
    void operator()(const std::string& name, float& value) const
    {
        const double read = ini.readFloat(settings::Panels, key(name), value);
        if (std::isfinite(read))
            value = static_cast<float>(std::clamp(read, 0.0, 1.0));
    }
    void operator()(const std::string& name, ColourByte colour) const
    {
        const double read = ini.readFloat(settings::Panels, key(name), colour.value / 255.0);
        if (std::isfinite(read))
            colour.value = static_cast<std::uint8_t>(std::lround(std::clamp(read * 255.0, 0.0, 255.0)));
    }
    void operator()(const std::string& name, SortName sort) const
    {
        sort.value = ini.readString(settings::Panels, key(name), sort.value);
    }
};

struct PanelWriter {
    IniFile& ini;
    std::string prefix;

    std::string key(const std::string& name) const { return prefix + name; }
    void operator()(const std::string& name, const std::string& value) const
    {
        ini.writeString(settings::Panels, key(name), value);
    }
    void operator()(const std::string& name, bool value) const { ini.writeBool(settings::Panels, key(name), value); }
    void operator()(const std::string& name, double value) const
    {
        ini.writeFloat(settings::Panels, key(name), value);
    }
    // The shortest text that reads back as the same float ("0.56078434", not the
    // fifteen digits of the double nearest it).
    void operator()(const std::string& name, float value) const
    {
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        ini.writeString(settings::Panels, key(name), std::string(text, end));
    }
    void operator()(const std::string& name, ColourByte colour) const
    {
        ini.writeFloat(settings::Panels, key(name), colour.value / 255.0);
    }
    void operator()(const std::string& name, SortName sort) const
    {
        // With no order chosen the key goes, so the default order applies at the next start.
        if (sort.value.empty())
            ini.deleteKey(settings::Panels, key(name));
        else
            ini.writeString(settings::Panels, key(name), sort.value);
    }
};

} // namespace

ViewSettings ReadViewSettings(const IniFile& ini, const std::string& exeDir)
{
    using settings::View;
    ViewSettings view;
    view.ctrlButtons = ini.readBool(View, "Ctrlbuttons", view.ctrlButtons);
    view.buttons = ini.readBool(View, "Buttons", view.buttons);
    view.status = ini.readBool(View, "Status", view.status);
    view.header = ini.readBool(View, "Header", view.header);
    view.lastIcon = ini.readBool(View, "Lasticon", view.lastIcon);
    view.draw3DText = ini.readBool(View, "3dtext", view.draw3DText);
    view.icon3DLimit = toInt(ini.readInteger(View, "3diconlimit", view.icon3DLimit), view.icon3DLimit);
    view.viewFilePlane = ini.readBool(View, "viewfileplane", view.viewFilePlane);
    view.viewBkgPic = ini.readBool(View, "viewbkgpic", view.viewBkgPic);
    view.splitter = toInt(ini.readInteger(View, "Splitter", view.splitter), view.splitter);
    view.font = ReadPanelFont(ini);
    view.bkgFileName = ini.readString(View, "bkgfilenam", exeDir + "ngc3132a.jpg");
    view.icon3DDir = ini.readString(View, "ic3ddirnam", exeDir + "icon3d/");
    return view;
}

void WriteViewSettings(IniFile& ini, const ViewSettings& view)
{
    using settings::View;
    ini.writeBool(View, "Ctrlbuttons", view.ctrlButtons);
    ini.writeBool(View, "Buttons", view.buttons);
    ini.writeBool(View, "Status", view.status);
    ini.writeBool(View, "Header", view.header);
    ini.writeBool(View, "Lasticon", view.lastIcon);
    ini.writeBool(View, "3dtext", view.draw3DText);
    ini.writeInteger(View, "3diconlimit", view.icon3DLimit);
    ini.writeBool(View, "viewfileplane", view.viewFilePlane);
    ini.writeBool(View, "viewbkgpic", view.viewBkgPic);
    ini.writeInteger(View, "Splitter", view.splitter);
    ini.writeString(View, "Fontname", view.font.name);
    ini.writeInteger(View, "Fontsize", view.font.size);
    ini.writeInteger(View, "Fontcharset", view.font.charset);
    ini.writeString(View, "bkgfilenam", view.bkgFileName);
    ini.writeString(View, "ic3ddirnam", view.icon3DDir);
}

PanelFontSettings ReadPanelFont(const IniFile& ini)
{
    using settings::View;
    PanelFontSettings font;
    font.name = ini.readString(View, "Fontname", font.name);
    // A size of 0 or less (or an absurd one) is no font; the default is.
    font.size = toInt(ini.readInteger(View, "Fontsize", font.size), font.size, 1, 1000);
    font.charset = toInt(ini.readInteger(View, "Fontcharset", font.charset), font.charset);
    font.bold = ini.readBool(View, "FontBold", font.bold);
    font.italic = ini.readBool(View, "FontItalic", font.italic);
    return font;
}

void WriteFontStyle(IniFile& ini, const PanelFontSettings& font)
{
    ini.writeBool(settings::View, "FontBold", font.bold);
    ini.writeBool(settings::View, "FontItalic", font.italic);
}

PanelSettings DefaultPanelSettings()
{
    PanelSettings panel;
    panel.dir = QFile::encodeName(QDir::homePath()).toStdString();
    return panel;
}

PanelSettings ReadPanelSettings(const IniFile& ini, const std::string& side)
{
    PanelSettings panel = DefaultPanelSettings();
    visitPanelKeys(panel, PanelReader{ini, side});
    return panel;
}

void WritePanelSettings(IniFile& ini, const std::string& side, const PanelSettings& panel)
{
    PanelSettings copy = panel;
    visitPanelKeys(copy, PanelWriter{ini, side});
}
