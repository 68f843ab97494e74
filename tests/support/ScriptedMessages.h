#pragma once

#include "platform/ui/MessageService.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// Stands in for the message service while it lives: records every text shown and answers
// from a script (Ok when the script is empty, cancel for pickers and dialogs), then puts
// the previous service back.
class ScriptedMessages {
public:
    ScriptedMessages();
    ~ScriptedMessages();
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    void answer(platform::MsgResult result) { state_->answers.push_back(result); }
    // Runs `think` while each box waits for its answer, as a user who reads before answering.
    void whileAsked(std::function<void()> think) { state_->think = std::move(think); }
    const std::vector<std::string>& texts() const { return state_->texts; }
    // The buttons each box offered, in the order of texts().
    const std::vector<platform::MsgButtons>& buttons() const { return state_->buttons; }
    // The captions of the boxes that had their own, in order.
    const std::vector<std::string>& captions() const { return state_->captions; }
    void clear()
    {
        state_->texts.clear();
        state_->buttons.clear();
    }

    // Pickers and modal dialogs answer from their own scripts; an empty script cancels.
    void answerColor(QColor color) { state_->colors.push_back(color); }
    void answerFont(QFont font) { state_->fonts.push_back(font); }
    void answerFile(std::string path) { state_->files.push_back(std::move(path)); }
    void answerModal(int result) { state_->modalResults.push_back({result, nullptr}); }
    // The next dialog run modally is first handed to `act` (to tick boxes or fill edits, found
    // by object name), then ends with `result`.
    void answerModal(int result, std::function<void(QDialog&)> act)
    {
        state_->modalResults.push_back({result, std::move(act)});
    }
    // The object names of the dialogs run modally, and the titles of the file pickers shown.
    const std::vector<std::string>& modalDialogs() const { return state_->modalDialogs; }
    const std::vector<std::string>& fileTitles() const { return state_->fileTitles; }
    // Where each colour, font and file picker started, in order.
    const std::vector<QColor>& colorStarts() const { return state_->colorStarts; }
    const std::vector<QFont>& fontStarts() const { return state_->fontStarts; }
    const std::vector<std::string>& fileStarts() const { return state_->fileStarts; }

    struct State {
        std::vector<std::string> texts;
        std::vector<platform::MsgButtons> buttons;
        std::vector<std::string> captions;
        std::deque<platform::MsgResult> answers;
        std::function<void()> think;
        std::deque<QColor> colors;
        std::deque<QFont> fonts;
        std::deque<std::string> files;
        struct ModalAnswer {
            int result;
            std::function<void(QDialog&)> act;
        };
        std::deque<ModalAnswer> modalResults;
        std::vector<std::string> modalDialogs;
        std::vector<std::string> fileTitles;
        std::vector<QColor> colorStarts;
        std::vector<QFont> fontStarts;
        std::vector<std::string> fileStarts;
    };

private:
    std::shared_ptr<State> state_;
    std::unique_ptr<platform::MessageService> previous_;
};

} // namespace testsupport
