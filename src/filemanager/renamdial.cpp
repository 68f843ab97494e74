#include "filemanager/renamdial.h"

#include "filemanager/NameEdit.h"
#include "platform/ui/WindowPlacement.h"
#include "ui_RenameDlg.h"

#include <QFile>

TRenameDlg::TRenameDlg(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::RenameDlg>())
{
    ui->setupUi(this);
    Bevel1 = ui->Bevel1;
    OldnameLabel = ui->OldnameLabel;
    OKBtn = ui->OKBtn;
    CancelBtn = ui->CancelBtn;
    NewNameEdit = ui->NewNameEdit;
    platform::FixSizeAndCentre(*this);
}

TRenameDlg::~TRenameDlg() = default;

void TRenameDlg::SetOldName(const std::string& name)
{
    oldName = name;
    OldnameLabel->setText(QFile::decodeName(QByteArray::fromStdString(name)));
    ShowName(*NewNameEdit, name);
}

std::string TRenameDlg::NewName() const { return EditedName(*NewNameEdit, oldName); }
