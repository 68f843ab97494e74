// The main window's view switches, which the menu and the settings file both drive.
#include "filemanager/glform.h"
#include "filemanager/mainfr.h"
#include "platform/ui/ExceptionGuard.h"

#include <QAction>
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

void TMainForm::status1Click()
{
    status1->setChecked(!status1->isChecked());
    if (!leftPanel || !rightPanel)
        return;
    for (Tglfr* panel : {leftPanel, rightPanel})
        panel->StatusBar1->setVisible(status1->isChecked());
}

void TMainForm::header1Click()
{
    header1->setChecked(!header1->isChecked());
    if (!leftPanel || !rightPanel)
        return;
    for (Tglfr* panel : {leftPanel, rightPanel})
        panel->ToolBar1->setVisible(header1->isChecked());
}

void TMainForm::ctrlbuttons1Click()
{
    ctrlbuttons1->setChecked(!ctrlbuttons1->isChecked());
    if (!leftPanel || !rightPanel)
        return;
    const bool visible = ctrlbuttons1->isChecked();
    for (Tglfr* panel : {leftPanel, rightPanel}) {
        panel->zoomRadioButton->setVisible(visible);
        panel->panRadioButton->setVisible(visible);
        panel->rotateRadioButton->setVisible(visible);
    }
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
