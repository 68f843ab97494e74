#include "platform/ui/MessageService.h"

#include "platform/ui/Application.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {
namespace {

QMessageBox::StandardButtons toQt(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok: return QMessageBox::Ok;
    case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None: return QMessageBox::NoIcon;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MsgResult fromQt(int button)
{
    switch (button) {
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    default: return MsgResult::Ok;
    }
}

class QtMessageService final : public MessageService {
public:
    MsgResult ask(const std::string& text, MsgButtons buttons, MsgIcon icon) override
    {
        QMessageBox box(toQt(icon), QString::fromStdString(applicationTitle()),
                        QString::fromStdString(text), toQt(buttons), QApplication::activeWindow());
        return fromQt(box.exec());
    }
};

std::unique_ptr<MessageService>& current()
{
    static std::unique_ptr<MessageService> service = std::make_unique<QtMessageService>();
    return service;
}

} // namespace

MessageService& messages() { return *current(); }

std::unique_ptr<MessageService> setMessageService(std::unique_ptr<MessageService> service)
{
    std::swap(current(), service);
    return service;
}

void ShowMessage(const std::string& text)
{
    messages().ask(text, MsgButtons::Ok, MsgIcon::None);
}

MsgResult MessageDlg(const std::string& text, MsgButtons buttons, MsgIcon icon)
{
    return messages().ask(text, buttons, icon);
}

} // namespace platform
