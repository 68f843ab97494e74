// The main window's view switches, which the menu and the settings file both drive.
#include "filemanager/glform.h"
#include "filemanager/mainfr.h"
#include "platform/ui/ExceptionGuard.h"

#include <QAction>
#include <QRadioButton>
#include <QStatusBar>
#include <QFrame>
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
}

void TMainForm::lasticonuservisible1Click()
{
    lasticonuservisible1->setChecked(!lasticonuservisible1->isChecked());
    for (Tglfr* panel : {leftPanel, rightPanel}) {
        if (panel) {
            panel->showLastIcon = lasticonuservisible1->isChecked();
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
    RepaintPanels();
}
