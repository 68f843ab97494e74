#include "support/ScriptedMessages.h"

namespace testsupport {
namespace {
class Recorder final : public platform::MessageService {
public:
    explicit Recorder(std::shared_ptr<ScriptedMessages::State> state) : state_(std::move(state)) {}
    platform::MsgResult ask(const std::string& text, platform::MsgButtons, platform::MsgIcon) override
    {
        state_->texts.push_back(text);
        if (state_->answers.empty())
            return platform::MsgResult::Ok;
        const platform::MsgResult result = state_->answers.front();
        state_->answers.pop_front();
        return result;
    }

private:
    std::shared_ptr<ScriptedMessages::State> state_;
};
} // namespace

ScriptedMessages::ScriptedMessages()
    : state_(std::make_shared<State>()),
      previous_(platform::setMessageService(std::make_unique<Recorder>(state_)))
{
}

ScriptedMessages::~ScriptedMessages() { platform::setMessageService(std::move(previous_)); }

} // namespace testsupport
