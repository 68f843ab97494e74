#include "filemanager/About.h"

#include "filemanager/MainIcon.h"
#include "platform/shell/Launcher.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/WindowPlacement.h"
#include "ui_AboutBox.h"

#include <QMouseEvent>

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::AboutBox>())
{
    ui->setupUi(this);
    Panel1 = ui->Panel1;
    ProgramIcon = ui->ProgramIcon;
    ProductName = ui->ProductName;
    Version = ui->Version;
    Copyright = ui->Copyright;
    email = ui->email;
    HPLabel = ui->HPLabel;
    OKButton = ui->OKButton;
    ProgramIcon->setPixmap(MainIcon().pixmap(ProgramIcon->size()));
    email->installEventFilter(this);
    HPLabel->installEventFilter(this);
    platform::FixSizeAndCentre(*this);
}

TAboutBox::~TAboutBox()
{
    if (AboutBox == this)
        AboutBox = nullptr;
}

// The labels show the addresses, so what is opened is always what the user read.
void TAboutBox::emailClick() { platform::launcher().openUrl("mailto:" + email->text().toStdString()); }

void TAboutBox::HPLabelClick() { platform::launcher().openUrl(HPLabel->text().toStdString()); }

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonRelease
        || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return QDialog::eventFilter(watched, event);
    if (watched == email)
        platform::guarded([this] { emailClick(); });
    else if (watched == HPLabel)
        platform::guarded([this] { HPLabelClick(); });
    return QDialog::eventFilter(watched, event);
}
