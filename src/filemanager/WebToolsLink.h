#pragma once

#include <string>

// What the main window needs of the web-tool windows, which live in a library above the
// file manager: whether the trace-route and chat windows have been shown (only then do
// their settings hold what the user chose, and only then are they written), and the
// values they keep; showing each of them, and the trace-route window's navigation buttons.
// The program entry puts the real windows behind it.
class TWebToolsLink {
public:
    virtual ~TWebToolsLink() = default;
    virtual bool TraceWasShown() const = 0;
    virtual bool TraceGlobeUsed() const = 0;
    virtual bool ChatWasShown() const = 0;
    virtual std::string ChatLastHost() const = 0;
    // Shows or hides the trace-route window's navigation buttons.
    virtual void ShowTraceNavigationButtons(bool visible) = 0;
    // Shows the chat window, without waiting for it.
    virtual void ShowChat() = 0;
    // Shows the FTP server window, without waiting for it.
    virtual void ShowFtpServer() = 0;
    // Shows the trace route and ping window, without waiting for it.
    virtual void ShowTrace() = 0;
    // Checks the trace window's navigation radio button of that object name, so its drags
    // pan, rotate or zoom as the panels' do.
    virtual void CheckTraceRadioButton(const std::string& name) = 0;
};
