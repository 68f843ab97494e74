#pragma once

#include "platform/ui/MessageService.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// Stands in for the message service while it lives: records every text shown and answers
// from a script (Ok when the script is empty), then puts the previous service back.
class ScriptedMessages {
public:
    ScriptedMessages();
    ~ScriptedMessages();
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    void answer(platform::MsgResult result) { state_->answers.push_back(result); }
    const std::vector<std::string>& texts() const { return state_->texts; }
    void clear() { state_->texts.clear(); }

    struct State {
        std::vector<std::string> texts;
        std::deque<platform::MsgResult> answers;
    };

private:
    std::shared_ptr<State> state_;
    std::unique_ptr<platform::MessageService> previous_;
};

} // namespace testsupport
