#pragma once

#include <QDialog>

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include <sys/types.h>

class FoundList;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
namespace Ui {
class FindFilDlg;
}

// The find-file dialog, made once at start-up and reused by every panel's find command:
// walks a directory tree for entries whose names match a pattern and, optionally, for files
// holding a text, listing full paths with the directories ticked. The walk runs on the
// user-interface thread, keeps the program responsive and stops on Cancel.
class TFindFilDlg : public QDialog {
public:
    explicit TFindFilDlg(QWidget* parent = nullptr);
    ~TFindFilDlg() override;

    // Components of the stored form.
    QPushButton* GoToBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QFrame* Bevel1 = nullptr;
    QLineEdit* FilnamEdit = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* DrvDirEdit = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* TextInFileEdit = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* FindButton = nullptr;
    QListView* FileCheckListBox = nullptr;
    QCheckBox* MatchCaseCheckBox = nullptr;

    void FindButtonClick();
    void CancelBtnClick();
    void GoToBtnClick();

    // How SearchDirectory ended.
    enum class WalkEnd { Finished, Stopped, NotEntered };
    WalkEnd SearchDirectory(const std::string& dir);
    // Whether the file holds the bytes (folded as the search text is).
    bool FileContainsText(const std::string& path, const std::string& text);

    // The start directory in DrvDirEdit, as bytes: what SetStartDir put there while the
    // user leaves it alone.
    std::string StartDir() const;
    void SetStartDir(const std::string& dir);

    // The result the user chose (the item "Go to dir." closed the dialog with), if any.
    struct FoundEntry {
        std::string path;
        bool isDirectory = false;
    };
    std::optional<FoundEntry> ChosenEntry() const;

    bool Searching() const { return searching; }
    int FileCount() const { return fileCount; }
    int DirCount() const { return dirCount; }

    // Esc and the close box: Cancel's behaviour, so they stop a search instead of closing.
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormResize();
    void AddResult(std::string path, bool isDirectory);
    // Updates the caption and lets pending events run, at most every few tens of
    // milliseconds; false once Cancel was pressed.
    bool KeepGoing(std::string_view dir, std::string_view name);
    // Nothing when the directory can still be walked; else how its walk ends.
    std::optional<WalkEnd> CanReenter(const std::string& path, bool isStart);

    std::unique_ptr<Ui::FindFilDlg> ui;
    FoundList* results = nullptr;
    bool cancelRequested = false;
    bool searching = false;
    int fileCount = 0;
    int dirCount = 0;
    int skippedCount = 0;
    std::string startDirShown;
    // What the current search looks for.
    std::string startPath;
    std::string pattern;
    std::string searchText;
    bool foldCase = true;
    // Directories already walked, by device and inode, so no mount can lead the walk in circles.
    std::set<std::pair<dev_t, ino_t>> visited;
    std::chrono::steady_clock::time_point nextTick;
    unsigned ticks = 0;
};

extern TFindFilDlg* FindFilDlg;
