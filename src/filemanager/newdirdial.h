#pragma once

#include <QDialog>

#include <memory>
#include <string>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
namespace Ui {
class MakedirDlg;
}

// Asks for the name of a new directory; made by the panel's make-directory command for
// one use.
class TMakedirDlg : public QDialog {
public:
    explicit TMakedirDlg(QWidget* owner);
    ~TMakedirDlg() override;

    // Components of the stored form.
    QFrame* Bevel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* newdirnameEdit = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    // What newdirnameEdit holds, as bytes.
    std::string NewDirName() const;

private:
    std::unique_ptr<Ui::MakedirDlg> ui;
};
