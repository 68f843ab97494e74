#pragma once

#include <QWidget>

#include <memory>

class QCheckBox;
namespace Ui {
class tracertForm;
}

// The trace route and ping window, made hidden at start-up and shown by the Web menu.
class TtracertForm : public QWidget {
public:
    explicit TtracertForm(QWidget* parent = nullptr);
    ~TtracertForm() override;

    QCheckBox* globeCheckBox = nullptr;
    // True until the first showing has read the window's settings.
    bool FirstShow = true;

    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::tracertForm> ui;
};

extern TtracertForm* tracertForm;
