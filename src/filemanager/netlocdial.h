#pragma once

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
namespace Ui {
class NetLocationDlg;
}

// Asks for a network location to connect or disconnect, typed or picked from those
// offered; made by the panel's network commands for one use.
class TNetLocationDlg : public QDialog {
public:
    explicit TNetLocationDlg(QWidget* owner);
    ~TNetLocationDlg() override;

    // Components of the stored form.
    QFrame* Bevel1 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* LocationBox = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    // Offers locations (bytes, such as mount points) to pick; another may still be typed.
    void OfferLocations(const std::vector<std::string>& locations);
    // The location picked, as its own bytes, or the one typed.
    std::string Location() const;

private:
    std::unique_ptr<Ui::NetLocationDlg> ui;
};
