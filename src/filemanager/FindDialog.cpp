#include "filemanager/FindDialog.h"

#include "platform/ui/ExceptionGuard.h"
#include "ui_FindDialog.h"

TFindDialog::TFindDialog(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::FindDialog>())
{
    ui->setupUi(this);
    FindEdit = ui->FindEdit;
    MatchCaseBox = ui->MatchCaseBox;
    WholeWordBox = ui->WholeWordBox;
    FindNextBtn = ui->FindNextBtn;
    CancelBtn = ui->CancelBtn;
    setFixedSize(size());
    connect(FindEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { FindNextBtn->setEnabled(!text.isEmpty()); });
    connect(FindNextBtn, &QPushButton::clicked, this, platform::guard([this] {
        if (OnFind)
            OnFind();
    }));
}

TFindDialog::~TFindDialog() = default;

QString TFindDialog::FindText() const { return FindEdit->text(); }
bool TFindDialog::MatchCase() const { return MatchCaseBox->isChecked(); }
bool TFindDialog::WholeWord() const { return WholeWordBox->isChecked(); }
