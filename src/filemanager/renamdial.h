#pragma once

#include <QDialog>

#include <memory>
#include <string>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
namespace Ui {
class RenameDlg;
}

// Asks for the new name of one entry; made by the panel's rename command for one use.
class TRenameDlg : public QDialog {
public:
    explicit TRenameDlg(QWidget* owner);
    ~TRenameDlg() override;

    // Components of the stored form.
    QFrame* Bevel1 = nullptr;
    QLabel* OldnameLabel = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QLineEdit* NewNameEdit = nullptr;

    // Shows the name (bytes) above the edit field and puts it into the field.
    void SetOldName(const std::string& name);
    // What NewNameEdit holds, as bytes (see NameEdit.h).
    std::string NewName() const;

private:
    std::unique_ptr<Ui::RenameDlg> ui;
    std::string oldName;
};
