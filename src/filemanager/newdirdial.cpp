#include "filemanager/newdirdial.h"

#include "filemanager/NameEdit.h"
#include "platform/ui/WindowPlacement.h"
#include "ui_MakedirDlg.h"

TMakedirDlg::TMakedirDlg(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::MakedirDlg>())
{
    ui->setupUi(this);
    Bevel1 = ui->Bevel1;
    Label1 = ui->Label1;
    newdirnameEdit = ui->newdirnameEdit;
    OKBtn = ui->OKBtn;
    CancelBtn = ui->CancelBtn;
    platform::FixSizeAndCentre(*this);
}

TMakedirDlg::~TMakedirDlg() = default;

std::string TMakedirDlg::NewDirName() const { return EditedName(*newdirnameEdit, {}); }
