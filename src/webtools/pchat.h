#pragma once

#include "webtools/ChatLineCutter.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TCustomWSocket;
class TWSocket;
namespace Ui {
class pchatForm;
}

// The port two copies of the program talk on.
inline constexpr const char* ChatPort = "2211";
// Lines the conversation keeps: anyone may call and flood it.
inline constexpr int ChatMemoLines = 10000;

// The private chat window, made hidden at start-up and shown by the Web menu: one text
// conversation at a time with another copy of the program, which either side may call.
class TpchatForm : public QWidget {
public:
    explicit TpchatForm(QWidget* parent = nullptr);
    ~TpchatForm() override;

    QFrame* Panel1 = nullptr;
    QLineEdit* ServerEdit = nullptr;
    QPushButton* ConnectButton = nullptr;
    QPushButton* DisconnectButton = nullptr;
    QLabel* LocAddrLabel = nullptr;
    QPlainTextEdit* DisplayMemo = nullptr;
    QFrame* Panel2 = nullptr;
    QLineEdit* MessageEdit = nullptr;
    QPushButton* SendButton = nullptr;

    // The listener, the one conversation (called or accepted), and the socket that turns
    // a second caller away.
    std::unique_ptr<TWSocket> SrvWSocket;
    std::unique_ptr<TWSocket> CliWSocket;
    std::unique_ptr<TWSocket> TmpWSocket;

    // Set by the first showing, which reads the window's settings and starts listening.
    bool WasShown = false;
    // The port listened on and called; set before the first showing.
    std::string Port = ChatPort;

    void FormShow();
    void ConnectButtonClick();
    void DisconnectButtonClick();
    void SendButtonClick();
    void CliWSocketDnsLookupDone(TCustomWSocket* Sender, std::uint16_t Error);
    void CliWSocketSessionConnected(TCustomWSocket* Sender, std::uint16_t Error);
    void CliWSocketSessionClosed(TCustomWSocket* Sender, std::uint16_t Error);
    void CliWSocketDataAvailable(TCustomWSocket* Sender, std::uint16_t Error);
    void SrvWSocketSessionAvailable(TCustomWSocket* Sender, std::uint16_t Error);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void StartListening();
    void AddLine(const QString& line);
    void ShowIdle();
    void ShowTalking();
    void ReportConnectFailure(int error);
    // Whether an address reaches this host, where our own listener would answer.
    static bool IsOwnAddress(const std::string& address);

    std::unique_ptr<Ui::pchatForm> ui;
    ChatLineCutter received;
};

extern TpchatForm* pchatForm;
