#include "webtools/pchat.h"

#include "filemanager/Settings.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/IniFile.h"
#include "platform/ui/Locations.h"
#include "ui_pchatForm.h"

#include <QShowEvent>

TpchatForm* pchatForm = nullptr;

TpchatForm::TpchatForm(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::pchatForm>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    ServerEdit = ui->ServerEdit;
}

TpchatForm::~TpchatForm()
{
    if (pchatForm == this)
        pchatForm = nullptr;
}

void TpchatForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        platform::guarded([this] { FormShow(); });
}

void TpchatForm::FormShow()
{
    if (WasShown)
        return;
    WasShown = true;
    const platform::IniFile ini(platform::settingsFilePath());
    ServerEdit->setText(QString::fromStdString(ini.readString(settings::Privchat, settings::LastHost, "")));
}
