#include "platform/ui/MessageService.h"

#include "platform/ui/Application.h"

#include <QApplication>
#include <QColorDialog>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QTimer>

#include <deque>
#include <utility>

namespace platform {
namespace {

QMessageBox::StandardButtons toQt(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok: return QMessageBox::Ok;
    case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoDefaultNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::YesCancel: return QMessageBox::Yes | QMessageBox::Cancel;
    case MsgButtons::YesAllNoCancel:
        return QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::Cancel;
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
    case QMessageBox::YesToAll: return MsgResult::YesToAll;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    default: return MsgResult::Ok;
    }
}

class QtMessageService final : public MessageService {
public:
    MsgResult ask(const std::string& text, MsgButtons buttons, MsgIcon icon) override
    {
        return askWithCaption(applicationTitle(), text, buttons, icon);
    }

    MsgResult askWithCaption(const std::string& caption, const std::string& text, MsgButtons buttons,
                             MsgIcon icon) override
    {
        QMessageBox box(toQt(icon), QString::fromStdString(caption), QString::fromStdString(text), toQt(buttons),
                        QApplication::activeWindow());
        if (buttons == MsgButtons::YesNoDefaultNo)
            box.setDefaultButton(QMessageBox::No);
        return fromQt(box.exec());
    }

    // Qt's own dialogs rather than the desktop's: they behave the same on every desktop
    // and under a bare X server.
    std::optional<QColor> pickColor(const QColor& initial) override
    {
        const QColor chosen = QColorDialog::getColor(initial, QApplication::activeWindow(), QString(),
                                                     QColorDialog::DontUseNativeDialog);
        return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
    }

    std::optional<QFont> pickFont(const QFont& initial) override
    {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, initial, QApplication::activeWindow(), QString(),
                                                  QFontDialog::DontUseNativeDialog);
        return ok ? std::optional<QFont>(chosen) : std::nullopt;
    }

    std::optional<std::string> pickOpenFile(const std::string& title, const std::string& start,
                                            const std::string& filters, const std::string& selectedFilter) override
    {
        QString selected = QString::fromStdString(selectedFilter);
        const QString name = QFileDialog::getOpenFileName(
            QApplication::activeWindow(), QString::fromStdString(title), QFile::decodeName(start.c_str()),
            QString::fromStdString(filters), &selected, QFileDialog::DontUseNativeDialog);
        if (name.isEmpty())
            return std::nullopt;
        return QFile::encodeName(name).toStdString();
    }

    int runModal(QDialog& dialog) override { return dialog.exec(); }
};

std::unique_ptr<MessageService>& current()
{
    static std::unique_ptr<MessageService> service = std::make_unique<QtMessageService>();
    return service;
}

int paintDepth = 0;
std::deque<std::pair<std::string, MsgIcon>>& waitingBoxes()
{
    static std::deque<std::pair<std::string, MsgIcon>> boxes;
    return boxes;
}

void showWaitingBoxes()
{
    auto& boxes = waitingBoxes();
    while (paintDepth == 0 && !boxes.empty()) {
        const auto [text, icon] = std::move(boxes.front());
        boxes.pop_front();
        messages().ask(text, MsgButtons::Ok, icon);
    }
}

} // namespace

PaintMessageScope::PaintMessageScope() { ++paintDepth; }

PaintMessageScope::~PaintMessageScope()
{
    if (--paintDepth == 0 && !waitingBoxes().empty() && QCoreApplication::instance())
        QTimer::singleShot(0, QCoreApplication::instance(), [] { showWaitingBoxes(); });
}

MessageService& messages() { return *current(); }

std::unique_ptr<MessageService> setMessageService(std::unique_ptr<MessageService> service)
{
    std::swap(current(), service);
    return service;
}

void ShowMessage(const std::string& text, MsgIcon icon)
{
    if (paintDepth > 0) {
        waitingBoxes().emplace_back(text, icon);
        return;
    }
    messages().ask(text, MsgButtons::Ok, icon);
}

MsgResult MessageDlg(const std::string& text, MsgButtons buttons, MsgIcon icon)
{
    return messages().ask(text, buttons, icon);
}

} // namespace platform
