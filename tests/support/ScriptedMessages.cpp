#include "support/ScriptedMessages.h"

#include <QDialog>

namespace testsupport {
namespace {
template <class T>
std::optional<T> next(std::deque<T>& script)
{
    if (script.empty())
        return std::nullopt;
    T value = std::move(script.front());
    script.pop_front();
    return value;
}

class Recorder final : public platform::MessageService {
public:
    explicit Recorder(std::shared_ptr<ScriptedMessages::State> state) : state_(std::move(state)) {}
    platform::MsgResult ask(const std::string& text, platform::MsgButtons buttons, platform::MsgIcon) override
    {
        state_->texts.push_back(text);
        state_->buttons.push_back(buttons);
        if (state_->think)
            state_->think();
        return next(state_->answers).value_or(platform::MsgResult::Ok);
    }
    platform::MsgResult askWithCaption(const std::string& caption, const std::string& text,
                                       platform::MsgButtons buttons, platform::MsgIcon icon) override
    {
        state_->captions.push_back(caption);
        return ask(text, buttons, icon);
    }
    std::optional<QColor> pickColor(const QColor& initial) override
    {
        state_->colorStarts.push_back(initial);
        return next(state_->colors);
    }
    std::optional<QFont> pickFont(const QFont& initial) override
    {
        state_->fontStarts.push_back(initial);
        return next(state_->fonts);
    }
    std::optional<std::string> pickOpenFile(const std::string& title, const std::string& start, const std::string&,
                                            const std::string&) override
    {
        state_->fileTitles.push_back(title);
        state_->fileStarts.push_back(start);
        return next(state_->files);
    }
    int runModal(QDialog& dialog) override
    {
        state_->modalDialogs.push_back(dialog.objectName().toStdString());
        const auto answer = next(state_->modalResults);
        if (!answer)
            return QDialog::Rejected;
        if (answer->act)
            answer->act(dialog);
        return answer->result;
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
