#include "filemanager/zipdial.h"

#include "filemanager/NameEdit.h"
#include "platform/ui/WindowPlacement.h"
#include "ui_zipDlg.h"

#include <QFile>

TzipDlg::TzipDlg(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::zipDlg>())
{
    ui->setupUi(this);
    Bevel1 = ui->Bevel1;
    OKBtn = ui->OKBtn;
    CancelBtn = ui->CancelBtn;
    dirnameEdit = ui->dirnameEdit;
    platform::FixSizeAndCentre(*this);
}

TzipDlg::~TzipDlg() = default;

void TzipDlg::SetDirName(const std::string& name)
{
    proposedName = name;
    ShowName(*dirnameEdit, name);
}

// Titles may quote a file name, so they are decoded as one.
void TzipDlg::SetTitle(const std::string& title)
{
    setWindowTitle(QFile::decodeName(QByteArray::fromStdString(title)));
}

std::string TzipDlg::DirName() const { return EditedName(*dirnameEdit, proposedName); }
