#include "filemanager/findfiledlg.h"

#include "ui_FindFilDlg.h"

TFindFilDlg* FindFilDlg = nullptr;

TFindFilDlg::TFindFilDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::FindFilDlg>())
{
    ui->setupUi(this);
}

TFindFilDlg::~TFindFilDlg()
{
    if (FindFilDlg == this)
        FindFilDlg = nullptr;
}
