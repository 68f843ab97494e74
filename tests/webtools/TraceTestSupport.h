#pragma once

#include "filemanager/mainfr.h"
#include "webtools/trcrt.h"

#include <QComboBox>

#include <memory>
#include <string>
#include <vector>

namespace tracetest {

// The trace window's result lines, top first.
inline std::vector<std::string> resultLines(const TtracertForm& form)
{
    std::vector<std::string> lines;
    for (int i = 0; i < form.traceresultComboBox->count(); ++i)
        lines.push_back(form.traceresultComboBox->itemText(i).toStdString());
    return lines;
}

// The main window the trace window reads its program directory and last host from; made,
// never shown, and reachable through MainForm while it lives.
class MainWindowStandIn {
public:
    explicit MainWindowStandIn(const std::string& exeDir = "/nonexistent/") : form_(std::make_unique<TMainForm>())
    {
        MainForm = form_.get();
        form_->exeDir = exeDir;
    }
    ~MainWindowStandIn() { MainForm = nullptr; }
    MainWindowStandIn(const MainWindowStandIn&) = delete;
    MainWindowStandIn& operator=(const MainWindowStandIn&) = delete;

private:
    std::unique_ptr<TMainForm> form_;
};

} // namespace tracetest
