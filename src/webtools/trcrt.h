#pragma once

#include "filemanager/myBMPTexture.h"
#include "net/HttpProt.h"
#include "platform/ui/VirtualKeys.h"
#include "webtools/GlobeGeometry.h"
#include "webtools/HopInfo.h"
#include "webtools/LocationCache.h"

#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QEventLoop;
class QFrame;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TICMP;
class TOpenGLPanel;
class TPing;
struct GLUquadric;
namespace platform {
class IniFile;
class KeyPreview;
}
namespace Ui {
class tracertForm;
}

// Told when ICMP echoes fail for want of permission.
inline constexpr const char* IcmpNotPermittedLine =
    "ICMP echo requests are not permitted for this user (net.ipv4.ping_group_range)";

// The trace route and ping window, made hidden at start-up and shown by the Web menu: it
// sends echoes of growing time-to-live to a host, lists every answer, and draws the
// answering routers on a textured globe or spread over a ring by their times.
class TtracertForm : public QWidget {
public:
    explicit TtracertForm(QWidget* parent = nullptr);
    // With a ping component of the caller's (a test scripts its answers).
    explicit TtracertForm(std::unique_ptr<TPing> ping, QWidget* parent = nullptr);
    // With the location service's URL (empty: none) and how long it may take to answer.
    TtracertForm(std::unique_ptr<TPing> ping, std::string locationUrl, int locationTimeoutMs = 30000,
                 QWidget* parent = nullptr);
    ~TtracertForm() override;

    // Components of the stored form.
    QFrame* ToolBar1 = nullptr;
    QLineEdit* HostEdit = nullptr;
    QPushButton* TraceButton = nullptr;
    QPushButton* PingButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QCheckBox* globeCheckBox = nullptr;
    QComboBox* traceresultComboBox = nullptr;
    TOpenGLPanel* OpenGLPanel1 = nullptr;
    QRadioButton* zoomRadioButton = nullptr;
    QRadioButton* panRadioButton = nullptr;
    QRadioButton* rotateRadioButton = nullptr;
    std::unique_ptr<TPing> Trace;
    std::unique_ptr<THttpCli> HttpCli1;

    // True until the first showing has read the window's settings.
    bool FirstShow = true;
    bool cancelRequested = false;
    bool pingMode = false;
    // Set while the user types a host name: the arrows and P, R, Z leave the view alone.
    bool hostEditActive = false;
    // Set when the location request has ended, whatever its outcome.
    bool requestDone = false;
    // Echoes of the current run that got no answer.
    int failedReplies = 0;
    // The answering hops of the last run, kept until the next run's name lookup ends.
    std::vector<HopInfo> hopList;
    std::vector<LocationRecord> locationList;
    std::vector<UnlocatedHost> unlocatedList;

    // The globe picture once loaded (also when OpenGL refused it, so it is not tried again)
    // and its texture name (0: none).
    std::unique_ptr<myBMPTexture> globePicture;
    GLuint globeTexture = 0;
    GLUquadric* quadric = nullptr;
    globe::View view;
    globe::MotionMode motionMode = globe::NoMotion;

    // Whether a trace or ping is under way, from the click until its last line.
    bool Running() const { return running; }

    void FormShow();
    void TraceButtonClick();
    void PingButtonClick();
    void CancelButtonClick();
    void globeCheckBoxClick();
    void HostEditClick();
    void TraceDnsLookupDone(TPing* Sender, std::uint16_t Error);
    void TraceEchoReply(TPing* Sender, TICMP* Icmp, std::int32_t Status);
    void HttpCli1RequestDone(THttpCli* Sender, THttpRequest RqType, std::uint16_t Error);

    // The view.
    void OpenGLPanel1Init();
    void OpenGLPanel1Resize();
    void OpenGLPanel1Paint();
    void OpenGLPanel1MouseDown(QPoint at, platform::ShiftState Shift);
    void OpenGLPanel1MouseMove(QPoint at, bool leftHeld);
    void OpenGLPanel1MouseUp();
    void OpenGLPanel1KeyDown(int Key, platform::ShiftState Shift);
    void OpenGLPanel1KeyUp(int Key);
    void FormKeyDown(int Key, platform::ShiftState Shift);
    void FormKeyUp(int Key, platform::ShiftState Shift);
    // The picture file as the globe's texture: null when it is missing or cannot be read
    // (the latter said), else the record, even when OpenGL refuses it (said too).
    std::unique_ptr<myBMPTexture> LoadGlobeTexture(const std::string& FileName);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartRun(bool ping);
    void SendEchoes();
    void EndRun();
    void AddLine(const std::string& line);
    void AddHop(const HopInfo& hop, std::uint32_t roundTrip);
    void KeepResultListWidth();
    void RepaintPanel();
    // The location of a hop; adds it to hopList when its echo took any time.
    HopInfo LookupHopLocation(const std::string& ip, const std::string& host, std::string& errorText);
    enum class LocationAnswer { Answered, Failed, NotStarted };
    // Asks the location service about the hop's host; why, when no answer came.
    LocationAnswer AskLocationService(HopInfo& hop, std::string& reason);
    void RememberLocation(const HopInfo& hop);
    void LoadLocationCache();
    void ReadLocationSetting(const platform::IniFile& ini);
    std::string LocationCacheFile() const;

    void SetupLight();
    void SetProjection();
    void DrawGlobe();
    void DrawHops();
    void DrawRingView();
    void DrawLabel(const std::string& text);
    globe::MotionMode ChosenMode() const;
    void ApplyMotion();

    std::unique_ptr<Ui::tracertForm> ui;
    platform::KeyPreview* keyPreview = nullptr;
    bool running = false;
    bool replySeen = false;
    bool sendNext = false;
    std::string runHost;
    // The location service (empty: none), and whether it failed during this run.
    std::string locationUrl;
    bool locationUrlGiven = false;
    int locationTimeoutMs = 30000;
    bool locationServiceDown = false;
    // The loop that waits for the location service, while it runs.
    QEventLoop* locationWait = nullptr;
    QPoint current;
    QPoint previous;
    QPoint pressed;
};

extern TtracertForm* tracertForm;
