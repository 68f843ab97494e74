// The main window's menu commands on the panels' colours and font, and the web search page.
#include "filemanager/OpenGLPanel.h"
#include "filemanager/glform.h"
#include "filemanager/mainfr.h"
#include "platform/shell/Launcher.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"
#include "ui_MainForm.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace {

const std::string searchPage = "https://duckduckgo.com/";

} // namespace

void TMainForm::ConnectMenuCommands()
{
    const std::pair<QAction*, void (TMainForm::*)()> commands[] = {
        {ui->setbackgroundcolor1, &TMainForm::setbackgroundcolor1Click},
        {ui->setcolorofactivewindow1, &TMainForm::setcolorofactivewindow1Click},
        {ui->selectedfilecolor1, &TMainForm::selectedfilecolor1Click},
        {ui->fileplanecolor1, &TMainForm::fileplanecolor1Click},
        {ui->Font1, &TMainForm::Font1Click},
        {ui->getbkgpict1, &TMainForm::getbkgpict1Click},
        {ui->Search1, &TMainForm::Search1Click}};
    for (const auto& entry : commands) {
        const auto command = entry.second;
        connect(entry.first, &QAction::triggered, this, platform::guard([this, command] { (this->*command)(); }));
    }
    // A top menu opens on its shortcut as on a click.
    const std::pair<QMenu*, QKeySequence> shortcuts[] = {{ui->Visualization1, QKeySequence(Qt::CTRL | Qt::Key_O)},
                                                         {ui->Help1, QKeySequence(Qt::CTRL | Qt::Key_H)}};
    for (const auto& [menu, keys] : shortcuts) {
        QAction* opener = menu->menuAction();
        opener->setShortcut(keys);
        connect(opener, &QAction::triggered, this, [this, opener] { menuBar()->setActiveAction(opener); });
    }
}

bool TMainForm::OpensMenu(int key) const
{
    for (const QMenu* menu : {ui->Visualization1, ui->Help1})
        if (menu->menuAction()->shortcut() == QKeySequence(Qt::CTRL | Qt::Key(key)))
            return true;
    return false;
}

std::optional<QColor> TMainForm::PickColour()
{
    const std::optional<QColor> chosen = platform::messages().pickColor(ColorDialog1Color);
    if (chosen)
        ColorDialog1Color = *chosen;
    return chosen;
}

void TMainForm::SetPanelColour(float (Tglfr::*colour)[4], float alpha)
{
    Tglfr* panel = ActivePanel();
    const std::optional<QColor> chosen = panel ? PickColour() : std::nullopt;
    if (!chosen)
        return;
    const QColor rgb = chosen->toRgb();
    float* target = panel->*colour;
    target[0] = float(rgb.red()) / 255.0f;
    target[1] = float(rgb.green()) / 255.0f;
    target[2] = float(rgb.blue()) / 255.0f;
    target[3] = alpha;
    panel->RepaintScene();
}

void TMainForm::setbackgroundcolor1Click() { SetPanelColour(&Tglfr::bkgcol, 1.0f); }

void TMainForm::selectedfilecolor1Click() { SetPanelColour(&Tglfr::selcol, 1.0f); }

void TMainForm::fileplanecolor1Click() { SetPanelColour(&Tglfr::filplancol, 0.44f); }

void TMainForm::setcolorofactivewindow1Click()
{
    Tglfr* panel = ActivePanel();
    const std::optional<QColor> chosen = panel ? PickColour() : std::nullopt;
    if (!chosen)
        return;
    panel->actcol = *chosen;
    // The status bar alone shows it; the scene is not drawn again.
    QPalette colours = panel->StatusBar1->palette();
    colours.setColor(QPalette::Window, *chosen);
    panel->StatusBar1->setPalette(colours);
}

void TMainForm::Font1Click()
{
    const QFont start = leftPanel ? leftPanel->OpenGLPanel1->Font2D_Type() : QFont();
    const std::optional<QFont> font = platform::messages().pickFont(start);
    if (!font)
        return;
    for (Tglfr* panel : {leftPanel, rightPanel}) {
        if (panel)
            panel->OpenGLPanel1->SetFont(*font);
    }
    // The scene's display-list fonts are made only with its OpenGL window.
    platform::ShowMessage("You must restart the program.");
}

void TMainForm::Search1Click() { platform::launcher().openUrl(searchPage); }
