#pragma once

#include <QColor>
#include <QFont>

#include <memory>
#include <optional>
#include <string>

class QDialog;

namespace platform {

// Buttons and answers of a modal message box, numbered as the system's own message
// box results so stored answers and comparisons keep their meaning. The first button is
// the default one, except in YesNoDefaultNo, where Enter answers No.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo, YesAllNoCancel, YesCancel };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgResult { Ok = 1, Cancel = 2, Yes = 6, No = 7, YesToAll = 10 };

// Every modal box, picker and dialog of the program goes through one replaceable service,
// boxes captioned with the application title. Tests install a double that records texts
// and scripts answers, so nothing ever blocks on a window nobody can see.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MsgResult ask(const std::string& text, MsgButtons buttons, MsgIcon icon) = 0;
    // A box with a caption of its own instead of the application title; a double may
    // answer it as any other.
    virtual MsgResult askWithCaption(const std::string& caption, const std::string& text, MsgButtons buttons,
                                     MsgIcon icon)
    {
        (void)caption;
        return ask(text, buttons, icon);
    }
    // The pickers give nothing when the user cancels.
    virtual std::optional<QColor> pickColor(const QColor& initial) = 0;
    virtual std::optional<QFont> pickFont(const QFont& initial) = 0;
    // filters in Qt's form ("jpg (*.jpg);;bmp (*.bmp)"); the result is a local path.
    virtual std::optional<std::string> pickOpenFile(const std::string& title, const std::string& start,
                                                    const std::string& filters,
                                                    const std::string& selectedFilter) = 0;
    // Runs a dialog of the program modally and gives its result (QDialog::Accepted, ...).
    virtual int runModal(QDialog& dialog) = 0;
};

// The service in force; a Qt message box service until another is installed.
MessageService& messages();
// Installs a service and returns the previous one, so a test can put it back.
std::unique_ptr<MessageService> setMessageService(std::unique_ptr<MessageService> service);

// The plain information box every fixed failure text of the program is shown in. While a
// GL view paints, the box waits until the paint is over (PaintMessageScope).
void ShowMessage(const std::string& text, MsgIcon icon = MsgIcon::None);

// Entered by every GL view for the length of its paint. A box shown inside a paint would run
// a nested event loop there: the other view could paint and start the same work again on
// half-made state. Information boxes raised meanwhile wait, in order, and show from the
// event loop once the outermost paint has ended.
class PaintMessageScope {
public:
    PaintMessageScope();
    ~PaintMessageScope();
    PaintMessageScope(const PaintMessageScope&) = delete;
    PaintMessageScope& operator=(const PaintMessageScope&) = delete;
};
MsgResult MessageDlg(const std::string& text, MsgButtons buttons, MsgIcon icon = MsgIcon::Question);

} // namespace platform
