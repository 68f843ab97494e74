#include "webtools/trcrt.h"

#include "filemanager/Settings.h"
#include "filemanager/mainfr.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/IniFile.h"
#include "platform/ui/Locations.h"
#include "ui_tracertForm.h"

#include <QShowEvent>

TtracertForm* tracertForm = nullptr;

TtracertForm::TtracertForm(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::tracertForm>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    globeCheckBox = ui->globeCheckBox;
}

TtracertForm::~TtracertForm()
{
    if (tracertForm == this)
        tracertForm = nullptr;
}

void TtracertForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        platform::guarded([this] { FormShow(); });
}

void TtracertForm::FormShow()
{
    if (!FirstShow)
        return;
    FirstShow = false;
    const platform::IniFile ini(platform::settingsFilePath());
    if (MainForm)
        MainForm->traceLastHost = ini.readString(settings::Tracert, settings::LastHost, settings::DefaultTraceHost);
    globeCheckBox->setChecked(ini.readBool(settings::Tracert, settings::GlobeUsed, true));
}
