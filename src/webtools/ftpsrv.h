#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class ftpservForm;
}

// The FTP server window, made hidden at start-up and shown by the Web menu.
class TftpservForm : public QWidget {
public:
    explicit TftpservForm(QWidget* parent = nullptr);
    ~TftpservForm() override;

private:
    std::unique_ptr<Ui::ftpservForm> ui;
};

extern TftpservForm* ftpservForm;
