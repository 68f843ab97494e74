#include "app/Startup.h"

#include "app/GifPicture.h"
#include "filemanager/About.h"
#include "filemanager/WebToolsLink.h"
#include "filemanager/findfiledlg.h"
#include "filemanager/mainfr.h"
#include "platform/ui/WindowPlacement.h"
#include "webtools/ftpsrv.h"
#include "webtools/pchat.h"
#include "webtools/trcrt.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

namespace {

class WebToolWindows final : public TWebToolsLink {
public:
    bool TraceWasShown() const override { return tracertForm && !tracertForm->FirstShow; }
    bool TraceGlobeUsed() const override { return tracertForm && tracertForm->globeCheckBox->isChecked(); }
    bool ChatWasShown() const override { return pchatForm && pchatForm->WasShown; }
    std::string ChatLastHost() const override
    {
        return pchatForm ? pchatForm->ServerEdit->text().toStdString() : std::string();
    }
    void ShowTraceNavigationButtons(bool visible) override
    {
        if (!tracertForm)
            return;
        for (QRadioButton* button :
             {tracertForm->zoomRadioButton, tracertForm->panRadioButton, tracertForm->rotateRadioButton})
            button->setVisible(visible);
    }
    void ShowChat() override { show(pchatForm); }
    void ShowFtpServer() override { show(ftpservForm); }
    void ShowTrace() override { show(tracertForm); }
    void CheckTraceRadioButton(const std::string& name) override
    {
        if (!tracertForm)
            return;
        if (auto* button = tracertForm->findChild<QRadioButton*>(QString::fromStdString(name)))
            button->setChecked(true);
    }

private:
    static void show(QWidget* window)
    {
        if (window)
            platform::ShowOverOwner(*window, MainForm);
    }
};

template <class Window>
std::unique_ptr<Window> make(Window*& global)
{
    auto window = std::make_unique<Window>();
    global = window.get();
    return window;
}

} // namespace

StartupWindows::StartupWindows() = default;
StartupWindows::~StartupWindows() = default;

std::unique_ptr<StartupWindows> CreateStartupWindows()
{
    registerGifFormat();
    auto windows = std::make_unique<StartupWindows>();
    windows->mainForm = make(MainForm);
    windows->aboutBox = make(AboutBox);
    windows->findFilDlg = make(FindFilDlg);
    windows->tracert = make(tracertForm);
    windows->pchat = make(pchatForm);
    windows->ftpserv = make(ftpservForm);
    // Closing the main window ends the program, whichever other windows are open.
    for (QWidget* window : std::initializer_list<QWidget*>{windows->aboutBox.get(), windows->findFilDlg.get(),
                                                           windows->tracert.get(), windows->pchat.get(),
                                                           windows->ftpserv.get()})
        window->setAttribute(Qt::WA_QuitOnClose, false);
    windows->webTools = std::make_unique<WebToolWindows>();
    windows->mainForm->webTools = windows->webTools.get();
    return windows;
}

void ShowMainWindow(TMainForm& window)
{
    window.showMaximized();
    window.activateWindow();
}
