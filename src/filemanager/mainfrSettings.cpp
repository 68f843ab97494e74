// The main window's side of the settings file: applying what was read at the first
// activation, in the order the handlers expect, and writing everything when it closes.
#include "filemanager/OpenGLPanel.h"
#include "filemanager/WebToolsLink.h"
#include "filemanager/glform.h"
#include "filemanager/mainfr.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/IniFile.h"
#include "platform/ui/Locations.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QSplitter>

namespace {

const struct {
    const char* name;
    QAction* Tglfr::*item;
} sortItems[] = {{"byname", &Tglfr::byname2},
                 {"byext", &Tglfr::byextension2},
                 {"bydat", &Tglfr::bydate2},
                 {"bysiz", &Tglfr::bysize2}};

// The panel and its stored record name the camera and the colours alike; the alpha of a
// panel colour is not stored.
template <class From, class To>
void copyCameraAndColours(const From& from, To& to)
{
    to.tranx = from.tranx;
    to.trany = from.trany;
    to.tranz = from.tranz;
    to.rotx = from.rotx;
    to.roty = from.roty;
    for (int i = 0; i < 3; ++i) {
        to.bkgcol[i] = from.bkgcol[i];
        to.filplancol[i] = from.filplancol[i];
        to.selcol[i] = from.selcol[i];
    }
}

// A stored switch is applied by setting the opposite and letting the switch's own toggle
// flip it back, so the toggle's side effects (menu check, repaint) happen as for a click.
void applySwitch(Tglfr& panel, bool& option, bool stored, void (Tglfr::*toggle)())
{
    option = !stored;
    (panel.*toggle)();
}

// A panel's font as the file keeps it; the character set, which no font here has, stays as
// it was read, and so does a size not given in points.
PanelFontSettings storedFont(const QFont& font, const PanelFontSettings& read)
{
    PanelFontSettings stored = read;
    stored.name = font.family().toStdString();
    if (font.pointSize() > 0)
        stored.size = font.pointSize();
    stored.bold = font.bold();
    stored.italic = font.italic();
    return stored;
}

} // namespace

void TMainForm::ReadSettings()
{
    const platform::IniFile ini(platform::settingsFilePath());
    storedView = ReadViewSettings(ini, exeDir);
    const ViewSettings& view = storedView;
    ctrlbuttons1->setChecked(!view.ctrlButtons);
    ctrlbuttons1Click();
    buttons1->setChecked(!view.buttons);
    status1->setChecked(!view.status);
    header1->setChecked(!view.header);
    Draw3Dtextmenu->setChecked(!view.draw3DText);
    icon3DLimit = view.icon3DLimit;
    viewfileplane1->setChecked(!view.viewFilePlane);
    lasticonuservisible1->setChecked(!view.lastIcon);
    header1Click();
    status1Click();
    buttons1Click();
    Draw3DtextmenuClick();
    viewfileplane1Click();
    lasticonuservisible1Click();
    SetLeftPanelWidth(view.splitter);
    if (leftPanel)
        ApplyPanelSettings(*leftPanel, ReadPanelSettings(ini, "Left"));
    if (rightPanel)
        ApplyPanelSettings(*rightPanel, ReadPanelSettings(ini, "Right"));
}

void TMainForm::ApplyPanelSettings(Tglfr& panel, const PanelSettings& stored)
{
    panel.FilterEdit->setText(QFile::decodeName(stored.filter.c_str()));
    panel.FilterEditChange();
    const std::string shown = panel.DirPath();
    panel.SetDirPath(stored.dir);
    // Kept out of reach, the stored directory would be reported again by every switch below.
    if (!panel.ChangeToListingDir())
        panel.SetDirPath(shown);
    panel.SelectDriveOf(panel.DirPath());
    copyCameraAndColours(stored, panel);
    panel.actcol = QColor(stored.actcol[0], stored.actcol[1], stored.actcol[2]);
    applySwitch(panel, panel.dspnam, stored.dspnam, &Tglfr::displaynames2Click);
    applySwitch(panel, panel.dspsizasheight, stored.dspsizasheight, &Tglfr::sizeasheightClick);
    applySwitch(panel, panel.dspsiz, stored.dspsiz, &Tglfr::size1Click);
    applySwitch(panel, panel.dspdat, stored.dspdat, &Tglfr::date1Click);
    applySwitch(panel, panel.dspatr, stored.dspatr, &Tglfr::attributes1Click);
    // Exact names only: anything else leaves the listing unsorted until the user picks an order.
    for (const auto& sort : sortItems)
        (panel.*sort.item)->setChecked(stored.sort == sort.name);
    applySwitch(panel, panel.reversesort, stored.reversesort, &Tglfr::reversesort1Click);
    applySwitch(panel, panel.dirtreevisible, stored.dirtreevisible, &Tglfr::directorytree2Click);
    applySwitch(panel, panel.dirsizevisible, stored.dirsizevisible, &Tglfr::directorysize1Click);
    panel.RefreshListing(true);
}

PanelSettings TMainForm::CapturePanelSettings(const Tglfr& panel) const
{
    PanelSettings stored;
    stored.filter = QFile::encodeName(panel.FilterEdit->text()).toStdString();
    stored.dir = panel.DirPath();
    copyCameraAndColours(panel, stored);
    const QColor rgb = panel.actcol.toRgb();
    stored.actcol = {static_cast<std::uint8_t>(rgb.red()), static_cast<std::uint8_t>(rgb.green()),
                     static_cast<std::uint8_t>(rgb.blue())};
    stored.dspnam = panel.dspnam;
    stored.dspsizasheight = panel.dspsizasheight;
    stored.dspsiz = panel.dspsiz;
    stored.dspdat = panel.dspdat;
    stored.dspatr = panel.dspatr;
    stored.sort.clear();
    for (const auto& sort : sortItems) {
        if ((panel.*sort.item)->isChecked()) {
            stored.sort = sort.name;
            break;
        }
    }
    stored.reversesort = panel.reversesort;
    stored.dirtreevisible = panel.dirtreevisible;
    stored.dirsizevisible = panel.dirsizevisible;
    return stored;
}

ViewSettings TMainForm::CaptureViewSettings() const
{
    ViewSettings view = storedView;
    view.ctrlButtons = ctrlbuttons1->isChecked();
    view.buttons = buttons1->isChecked();
    view.status = status1->isChecked();
    view.header = header1->isChecked();
    view.lastIcon = lasticonuservisible1->isChecked();
    view.draw3DText = draw3DText;
    view.icon3DLimit = icon3DLimit;
    view.viewFilePlane = viewFilePlane;
    view.viewBkgPic = viewBkgPic;
    if (leftPanel) {
        view.splitter = ps->sizes().value(0, view.splitter);
        view.font = storedFont(leftPanel->OpenGLPanel1->Font2D_Type(), storedView.font);
    }
    view.bkgFileName = bkgFileName;
    view.icon3DDir = icon3DDir;
    return view;
}

void TMainForm::WriteSettings(platform::IniFile& ini)
{
    // Until the first activation has applied the file, the windows hold defaults, not the
    // user's settings; writing them would throw the settings away.
    const bool write = !firstActivation;
    const ViewSettings view = CaptureViewSettings();
    if (write) {
        WriteViewSettings(ini, view);
        const bool traceShown = webTools && webTools->TraceWasShown();
        if (traceShown)
            ini.writeString(settings::Tracert, settings::LastHost, traceLastHost);
        if (webTools && webTools->ChatWasShown())
            ini.writeString(settings::Privchat, settings::LastHost, webTools->ChatLastHost());
        if (traceShown)
            ini.writeBool(settings::Tracert, settings::GlobeUsed, webTools->TraceGlobeUsed());
    }
    for (Tglfr* panel : {leftPanel, rightPanel}) {
        if (!panel)
            continue;
        if (write) {
            if (panel == leftPanel)
                WriteFontStyle(ini, view.font);
            WritePanelSettings(ini, panel == leftPanel ? "Left" : "Right", CapturePanelSettings(*panel));
        }
        panel->FormClose();
    }
    // A failed write is reported once; the program still ends.
    if (write)
        platform::guarded([&] { ini.save(); });
}
