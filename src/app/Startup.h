#pragma once

#include <memory>

class TAboutBox;
class TFindFilDlg;
class TMainForm;
class TWebToolsLink;
class TftpservForm;
class TpchatForm;
class TtracertForm;

// The windows the program makes at start-up. They live until the program ends; the main
// window goes last.
struct StartupWindows {
    StartupWindows();
    ~StartupWindows();
    StartupWindows(const StartupWindows&) = delete;
    StartupWindows& operator=(const StartupWindows&) = delete;

    std::unique_ptr<TWebToolsLink> webTools;
    std::unique_ptr<TMainForm> mainForm;
    std::unique_ptr<TAboutBox> aboutBox;
    std::unique_ptr<TFindFilDlg> findFilDlg;
    std::unique_ptr<TtracertForm> tracert;
    std::unique_ptr<TpchatForm> pchat;
    std::unique_ptr<TftpservForm> ftpserv;
};

// Makes the six start-up windows in their order, each stored in its global pointer, all
// hidden, and puts the web-tool windows behind the main window's link to them. GIF
// pictures are known from here on.
std::unique_ptr<StartupWindows> CreateStartupWindows();

// Shows the main window as the program starts: maximised, and activated, since the settings
// are applied at the first activation and without a window manager nothing else activates it.
void ShowMainWindow(TMainForm& window);
