// The main window's view switches, which the menu and the settings file both drive, and the
// background picture.
#include "filemanager/WebToolsLink.h"
#include "filemanager/glform.h"
#include "filemanager/mainfr.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>

void TMainForm::ConnectSwitch(QAction* item, void (TMainForm::*handler)())
{
    // Qt has already flipped the check when the menu reports the click; the switch flips
    // it itself, as it does when the settings call it.
    connect(item, &QAction::triggered, this, platform::guard([this, item, handler] {
                item->setChecked(!item->isChecked());
                (this->*handler)();
            }));
}

void TMainForm::buttons1Click()
{
    buttons1->setChecked(!buttons1->isChecked());
    ToolBar1->setVisible(buttons1->isChecked());
}

namespace {

// The switches for parts of the panels act only when both panels are there.
template <class Parts>
void showOnBothPanels(Tglfr* left, Tglfr* right, bool visible, Parts parts)
{
    if (!left || !right)
        return;
    for (Tglfr* panel : {left, right}) {
        for (QWidget* part : parts(*panel))
            part->setVisible(visible);
    }
}

} // namespace

void TMainForm::status1Click()
{
    status1->setChecked(!status1->isChecked());
    showOnBothPanels(leftPanel, rightPanel, status1->isChecked(),
                     [](Tglfr& panel) { return QWidgetList{panel.StatusBar1}; });
}

void TMainForm::header1Click()
{
    header1->setChecked(!header1->isChecked());
    showOnBothPanels(leftPanel, rightPanel, header1->isChecked(),
                     [](Tglfr& panel) { return QWidgetList{panel.ToolBar1}; });
}

void TMainForm::ctrlbuttons1Click()
{
    ctrlbuttons1->setChecked(!ctrlbuttons1->isChecked());
    showOnBothPanels(leftPanel, rightPanel, ctrlbuttons1->isChecked(), [](Tglfr& panel) {
        return QWidgetList{panel.zoomRadioButton, panel.panRadioButton, panel.rotateRadioButton};
    });
    if (webTools)
        webTools->ShowTraceNavigationButtons(ctrlbuttons1->isChecked());
}

void TMainForm::lasticonuservisible1Click()
{
    lasticonuservisible1->setChecked(!lasticonuservisible1->isChecked());
    for (Tglfr* panel : {leftPanel, rightPanel}) {
        if (panel) {
            panel->showLastIcon = lasticonuservisible1->isChecked();
            panel->lasticonPanel->setVisible(panel->showLastIcon && !panel->Image1->pixmap().isNull());
            panel->RepaintScene();
        }
    }
}

void TMainForm::Draw3DtextmenuClick()
{
    Draw3Dtextmenu->setChecked(!Draw3Dtextmenu->isChecked());
    draw3DText = Draw3Dtextmenu->isChecked();
    RepaintPanels();
}

void TMainForm::viewfileplane1Click()
{
    viewfileplane1->setChecked(!viewfileplane1->isChecked());
    viewFilePlane = viewfileplane1->isChecked();
    RepaintPanels();
}

void TMainForm::viewbkgpic1Click()
{
    viewbkgpic1->setChecked(!viewbkgpic1->isChecked());
    viewBkgPic = viewbkgpic1->isChecked();
    if (!leftPanel || !rightPanel)
        return;
    if (viewBkgPic && (bkgFileName.empty() || !bkgTexture)) {
        // Switched on with nothing to show: a picture is asked for, else it stays off.
        if (!ChooseBackgroundPicture()) {
            viewbkgpic1->setChecked(!viewbkgpic1->isChecked());
            viewBkgPic = viewbkgpic1->isChecked();
        }
        return;
    }
    RepaintPanels();
}

bool TMainForm::ChooseBackgroundPicture()
{
    if (!leftPanel || !rightPanel)
        return false;
    const std::optional<std::string> chosen = platform::messages().pickOpenFile(
        "Set the name of the background picture", bkgFileName,
        "bmp (*.bmp);;gif (*.gif);;jpg (*.jpg);;jpeg (*.jpeg)", "jpg (*.jpg)");
    if (!chosen)
        return false;
    bkgFileName = *chosen;
    // The old picture goes first: one that cannot be loaded leaves no background.
    bkgTexture.reset();
    bkgTexture = LoadPictureTexture(bkgTextureId, bkgFileName);
    RepaintPanels();
    if (bkgTexture && !viewbkgpic1->isChecked())
        viewbkgpic1Click();
    return bkgTexture != nullptr;
}

void TMainForm::getbkgpict1Click() { ChooseBackgroundPicture(); }
