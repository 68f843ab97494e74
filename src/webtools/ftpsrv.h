#pragma once

#include "net/FtpSrv.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
namespace Ui {
class ftpservForm;
}

// Lines the log keeps: any client may flood it with commands.
inline constexpr int FtpLogLines = 10000;
// Where the server listens when the FTP port needs privileges this process lacks.
inline constexpr const char* FtpUnprivilegedPort = "2121";

// The FTP server window, made hidden at start-up and shown by the Web menu: it serves one
// start directory to any FTP client, logs every session and keeps clients inside that
// directory (a second line of defence behind the engine's own confinement).
class TftpservForm : public QWidget {
public:
    explicit TftpservForm(QWidget* parent = nullptr);
    ~TftpservForm() override;

    QLabel* startdirLabel = nullptr;
    QLineEdit* StartdirEdit = nullptr;
    QLabel* UsrnumberLabel = nullptr;
    QLineEdit* UsernumberEdit = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* StopButton = nullptr;
    QPushButton* ClearlogButton = nullptr;
    QPlainTextEdit* InfoMemo = nullptr;
    std::unique_ptr<TFtpServer> FtpServer1;

    // The port served, and the one taken instead when binding it needs privileges; set
    // before Start.
    std::string Port = "ftp";
    std::string FallbackPort = FtpUnprivilegedPort;
    // The start directory being served: canonical, ending in "/"; empty while stopped.
    const std::string& HomeDir() const { return homeDir_; }

    void StartButtonClick();
    void StopButtonClick();
    void ClearlogButtonClick();
    void FormClose();
    void FormResize();

    void FtpServer1Start(TFtpServer* Sender);
    void FtpServer1Stop(TFtpServer* Sender);
    void FtpServer1ClientConnect(TFtpServer* Sender, TFtpCtrlSocket* Client, std::uint16_t Error);
    void FtpServer1ClientDisconnect(TFtpServer* Sender, TFtpCtrlSocket* Client, std::uint16_t Error);
    void FtpServer1Authenticate(TFtpServer* Sender, TFtpCtrlSocket* Client, const TFtpString& UserName,
                                const TFtpString& Password, bool& Authenticated);
    void FtpServer1ClientCommand(TFtpServer* Sender, TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params,
                                 TFtpString& Answer);
    void FtpServer1AnswerToClient(TFtpServer* Sender, TFtpCtrlSocket* Client, TFtpString& Answer);
    void FtpServer1ChangeDirectory(TFtpServer* Sender, TFtpCtrlSocket* Client, const TFtpString& Directory,
                                   bool& Allowed);
    void FtpServer1BuildDirectory(TFtpServer* Sender, TFtpCtrlSocket* Client, TFtpString& Directory, bool Detailed);
    void FtpServer1AlterDirectory(TFtpServer* Sender, TFtpCtrlSocket* Client, TFtpString& Directory, bool Detailed);
    void FtpServer1RetrSessionConnected(TFtpServer* Sender, TFtpCtrlSocket* Client, TWSocket* Data,
                                        std::uint16_t Error);
    void FtpServer1StorSessionConnected(TFtpServer* Sender, TFtpCtrlSocket* Client, TWSocket* Data,
                                        std::uint16_t Error);
    void FtpServer1StorSessionClosed(TFtpServer* Sender, TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t Error);
    void FtpServer1RetrSessionClosed(TFtpServer* Sender, TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t Error);
    void FtpServer1RetrDataSent(TFtpServer* Sender, TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t Error);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AssignEvents();
    // Listens on Port, or on FallbackPort when Port needs privileges; false (the failure
    // shown) when neither can be had.
    bool Listen();
    void ShowClientCount();
    void Log(const std::string& line);
    // A client event's line: "! " + peer + " " + text.
    void LogClient(TFtpCtrlSocket* Client, const std::string& text);
    void LogDataError(TFtpCtrlSocket* Client, const char* what, std::uint16_t Error);
    // Whether the path lies in the start directory being served, links resolved.
    bool InsideStartDir(const std::string& path) const;

    std::unique_ptr<Ui::ftpservForm> ui;
    std::string homeDir_;
    // The listener was up: a failed bind closes a socket that never served.
    bool listening_ = false;
};

extern TftpservForm* ftpservForm;
