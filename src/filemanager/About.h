#pragma once

#include <QDialog>

#include <memory>

class QFrame;
class QLabel;
class QPushButton;
namespace Ui {
class AboutBox;
}

// The about box, made at start-up and shown modally by the Help menu. Its contact address
// and web page open in the desktop's mail program and browser when clicked.
class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    ~TAboutBox() override;

    // Components of the stored form.
    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* email = nullptr;
    QLabel* HPLabel = nullptr;
    QPushButton* OKButton = nullptr;

    void emailClick();
    void HPLabelClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::AboutBox> ui;
};

extern TAboutBox* AboutBox;
