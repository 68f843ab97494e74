#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutBox;
}

// The about box, made at start-up and shown modally by the Help menu.
class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    ~TAboutBox() override;

private:
    std::unique_ptr<Ui::AboutBox> ui;
};

extern TAboutBox* AboutBox;
