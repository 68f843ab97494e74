#pragma once

#include <QDialog>

#include <memory>
#include <string>

class QFrame;
class QLineEdit;
class QPushButton;
namespace Ui {
class zipDlg;
}

// Asks for an archive name or a target directory; made by the panel's zip and unzip
// commands for one use.
class TzipDlg : public QDialog {
public:
    explicit TzipDlg(QWidget* owner);
    ~TzipDlg() override;

    // Components of the stored form.
    QFrame* Bevel1 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QLineEdit* dirnameEdit = nullptr;

    // Puts the proposed path (bytes) into dirnameEdit.
    void SetDirName(const std::string& name);
    void SetTitle(const std::string& title);
    // What dirnameEdit holds, as bytes (see NameEdit.h).
    std::string DirName() const;

private:
    std::unique_ptr<Ui::zipDlg> ui;
    std::string proposedName;
};
