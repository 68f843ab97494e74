#pragma once

#include "platform/shell/Launcher.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// Stands in for the launcher while it lives: records every address, document and program
// that would have been opened or started, starts nothing, then puts the previous launcher back.
// After failWith(reason) each call still records, then fails as the desktop's launcher does
// when no opener can start ("cannot open ADDRESS: reason").
class RecordingLauncher {
public:
    RecordingLauncher();
    ~RecordingLauncher();
    RecordingLauncher(const RecordingLauncher&) = delete;
    RecordingLauncher& operator=(const RecordingLauncher&) = delete;

    const std::vector<std::string>& urls() const { return state_->urls; }
    const std::vector<std::string>& documents() const { return state_->documents; }
    struct Start {
        std::string program;
        std::vector<std::string> arguments;
        std::string directory;
    };
    const std::vector<Start>& programs() const { return state_->programs; }
    void failWith(std::string reason) { state_->failure = std::move(reason); }

    struct State {
        std::vector<std::string> urls;
        std::vector<std::string> documents;
        std::vector<Start> programs;
        std::string failure;
    };

private:
    std::shared_ptr<State> state_;
    std::unique_ptr<platform::Launcher> previous_;
};

} // namespace testsupport
