#pragma once

#include "filemanager/WebToolsLink.h"

#include <string>
#include <vector>

// The web-tool windows as the main window sees them, recording what it asks of them.
class FakeWebTools : public TWebToolsLink {
public:
    bool traceShown = false;
    bool chatShown = false;
    // The windows shown ("chat", "ftp", "trace"), in order.
    std::vector<std::string> shown;
    // The trace window's navigation buttons checked, by object name.
    std::vector<std::string> traceModes;
    std::vector<bool> navigationButtonsShown;

    bool TraceWasShown() const override { return traceShown; }
    bool TraceGlobeUsed() const override { return false; }
    bool ChatWasShown() const override { return chatShown; }
    std::string ChatLastHost() const override { return "peer.example"; }
    void CheckTraceRadioButton(const std::string& name) override { traceModes.push_back(name); }
    void ShowTraceNavigationButtons(bool visible) override { navigationButtonsShown.push_back(visible); }
    void ShowChat() override { shown.push_back("chat"); }
    void ShowFtpServer() override { shown.push_back("ftp"); }
    void ShowTrace() override { shown.push_back("trace"); }
};
