#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class FindFilDlg;
}

// The find-file dialog, made once at start-up and reused by every panel's find command.
class TFindFilDlg : public QDialog {
public:
    explicit TFindFilDlg(QWidget* parent = nullptr);
    ~TFindFilDlg() override;

private:
    std::unique_ptr<Ui::FindFilDlg> ui;
};

extern TFindFilDlg* FindFilDlg;
