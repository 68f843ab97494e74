#include "webtools/ftpsrv.h"

#include "ui_ftpservForm.h"

TftpservForm* ftpservForm = nullptr;

TftpservForm::TftpservForm(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::ftpservForm>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint);
}

TftpservForm::~TftpservForm()
{
    if (ftpservForm == this)
        ftpservForm = nullptr;
}
