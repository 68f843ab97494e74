#include "filemanager/CommandInProgress.h"
#include "filemanager/FileCompare.h"
#include "filemanager/glform.h"
#include "filemanager/mainfr.h"
#include "platform/fs/Path.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"
#include "ui_MainForm.h"

#include <QAction>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QToolBar>

#include <vector>

namespace {

constexpr int buttonMinHeight = 24;

} // namespace

void TMainForm::ConnectCommandBar()
{
    const std::vector<std::pair<QAction*, void (TMainForm::*)()>> buttons = {
        {ui->renameSpeedButton, &TMainForm::renameSpeedButtonClick},
        {ui->ViewSpeedButton, &TMainForm::ViewSpeedButtonClick},
        {ui->EditSpeedButton, &TMainForm::EditSpeedButtonClick},
        {ui->CopyItemsSpeedButton, &TMainForm::CopyItemsSpeedButtonClick},
        {ui->MoveItemsSpeedButton, &TMainForm::MoveItemsSpeedButtonClick},
        {ui->makedirSpeedButton, &TMainForm::makedirSpeedButtonClick},
        {ui->deleteSpeedButton, &TMainForm::deleteSpeedButtonClick},
        {ui->CompareSpeedButton, &TMainForm::CompareSpeedButtonClick},
        {ui->FindSpeedButton, &TMainForm::FindSpeedButtonClick},
    };
    int labelNumber = 0;
    for (const auto& [action, handler] : buttons) {
        auto* spacer = new QLabel("  ", ToolBar1);
        spacer->setObjectName(QString("Label%1").arg(++labelNumber));
        ToolBar1->insertWidget(action, spacer);
        if (QWidget* button = ToolBar1->widgetForAction(action)) {
            button->setMinimumHeight(buttonMinHeight);
            button->setFont(QFont("Arial"));
        }
        // A click carries no key event: the modifiers held now are the ones that count.
        connect(action, &QAction::triggered, this, platform::guard([this, handler = handler] {
                    ReadLiveModifiers();
                    (this->*handler)();
                }));
    }
    connect(ui->Controls1, &QAction::triggered, this, platform::guard([this] { Controls1Click(); }));
}

void TMainForm::ReadLiveModifiers() { SetModifiers(platform::shiftStateOf(QGuiApplication::queryKeyboardModifiers())); }

Tglfr* TMainForm::ActivePanel() const
{
    if (leftPanel && leftPanel->active)
        return leftPanel;
    if (rightPanel && rightPanel->active)
        return rightPanel;
    return nullptr;
}

void TMainForm::renameSpeedButtonClick()
{
    if (Tglfr* panel = ActivePanel())
        panel->RenameMarked();
}

void TMainForm::ViewSpeedButtonClick()
{
    if (Tglfr* panel = ActivePanel())
        panel->ViewCurrentFile(shiftDown ? 1 : altDown ? 2 : 0);
}

void TMainForm::EditSpeedButtonClick()
{
    if (Tglfr* panel = ActivePanel())
        panel->EditCurrentFile();
}

void TMainForm::makedirSpeedButtonClick()
{
    if (Tglfr* panel = ActivePanel())
        panel->MakeDirectory();
}

void TMainForm::deleteSpeedButtonClick()
{
    if (Tglfr* panel = ActivePanel())
        panel->DeleteMarked(shiftDown);
    shiftDown = false;
}

void TMainForm::FindSpeedButtonClick()
{
    if (Tglfr* panel = ActivePanel())
        panel->FindFiles();
}

void TMainForm::CopyItemsSpeedButtonClick() { TransferMarked(&Tglfr::CopyMarked); }

void TMainForm::MoveItemsSpeedButtonClick() { TransferMarked(&Tglfr::MoveMarked); }

void TMainForm::TransferMarked(void (Tglfr::*operation)(std::string targetDir))
{
    if (!leftPanel || !rightPanel)
        return;
    Tglfr* source = leftPanel->active ? leftPanel : rightPanel;
    Tglfr* target = source == leftPanel ? rightPanel : leftPanel;
    const CommandInProgress command;
    (source->*operation)(target->DirPath());
    for (Tglfr* panel : {source, target}) {
        panel->ChangeToListingDir();
        panel->RefreshListing(true);
    }
}

void TMainForm::CompareSpeedButtonClick()
{
    if (!leftPanel || !rightPanel)
        return;
    std::vector<std::string> files;
    for (const Tglfr* panel : {leftPanel, rightPanel}) {
        for (const auto& entry : panel->dir.entries) {
            if (entry->selected && !entry->IsDirectory())
                files.push_back(platform::JoinPath(panel->DirPath(), entry->name));
        }
    }
    if (files.size() != 2) {
        platform::ShowMessage("More or less than two files are selected");
        return;
    }
    // The later file in listing order is opened first.
    const CompareResult result = CompareFiles(files[1], files[0]);
    if (result == CompareResult::Failed)
        return;
    platform::ShowMessage(result == CompareResult::Identical ? "the files are identical till the length of the shorter one"
                                                              : "the files are not identical");
}

void TMainForm::Controls1Click()
{
    platform::ShowMessage("Rotate: CTRL+left Mouse button, Pan: ALT+left mouse button, Zoom: CTRL+ALT+left mouse "
                          "button,Select: SHIFT+left mouse button or right mouse button alone");
}
