#pragma once

#include <QWidget>

#include <memory>

class QLineEdit;
namespace Ui {
class pchatForm;
}

// The private chat window, made hidden at start-up and shown by the Web menu.
class TpchatForm : public QWidget {
public:
    explicit TpchatForm(QWidget* parent = nullptr);
    ~TpchatForm() override;

    QLineEdit* ServerEdit = nullptr;
    // Set by the first showing, which reads the window's settings.
    bool WasShown = false;

    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::pchatForm> ui;
};

extern TpchatForm* pchatForm;
