#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QLineEdit;
class QPushButton;
namespace Ui {
class FindDialog;
}

// The small find box of a viewer: a text to find, whether case and whole words count, and
// "Find next", which fires OnFind. It is not modal: it stays open beside its viewer.
class TFindDialog : public QDialog {
public:
    explicit TFindDialog(QWidget* owner);
    ~TFindDialog() override;

    // Components of the stored form.
    QLineEdit* FindEdit = nullptr;
    QCheckBox* MatchCaseBox = nullptr;
    QCheckBox* WholeWordBox = nullptr;
    QPushButton* FindNextBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    QString FindText() const;
    bool MatchCase() const;
    bool WholeWord() const;

    std::function<void()> OnFind;

private:
    std::unique_ptr<Ui::FindDialog> ui;
};
