#pragma once

#include <QDialog>

#include <memory>
#include <string>

class IconCache;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
namespace Ui {
class ic3dlimitDlg;
}

// The 3D icon settings: the listing size above which panels draw no icons, the directory
// the models are read from, and whether they are read again. Made for one use.
class Tic3dlimitDlg : public QDialog {
public:
    explicit Tic3dlimitDlg(QWidget* owner);
    ~Tic3dlimitDlg() override;

    // Components of the stored form.
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* icon3dlimitText = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QLineEdit* ic3ddirEdit = nullptr;
    QPushButton* Button1 = nullptr;
    QCheckBox* rereadiconsCheckBox = nullptr;

    // "...": an Anim8or file chosen puts its directory, with its "/", into ic3ddirEdit.
    void Button1Click();
    // ic3ddirEdit as bytes: a directory whose name is not UTF-8 comes back as it was shown
    // as long as the text was left alone.
    void SetDirectory(const std::string& directory);
    std::string Directory() const;

private:
    std::unique_ptr<Ui::ic3dlimitDlg> ui;
    std::string shownDirectory;
};

// The icon settings as the window that owns them keeps them.
struct IconSettings {
    int& limit;
    std::string& directory;        // ends in "/"
    std::string defaultDirectory;  // what an empty directory text stands for
};

// Applies a dialog closed with OK: the limit; the directory text with its "/"; and, when that
// differs from keptDirectory or a reread is asked, the directory, with the cache freed so the
// models are read from it again. A limit that is no integer is shown and changes nothing.
void Ic3dlimitDlgAccepted(const Tic3dlimitDlg& dialog, const std::string& keptDirectory, IconSettings settings,
                          IconCache& cache);

// The "3D icon" command: the dialog filled from the settings, run modally, an OK applied.
// The caller repaints its views afterwards, whatever the answer.
void RunIconSettingsDialog(QWidget* owner, IconSettings settings, IconCache& cache);
