#pragma once

#include "platform/ui/VirtualKeys.h"

#include <QMainWindow>

#include <cstdint>
#include <memory>
#include <string>

class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class TFindDialog;
class TitleBar;
class ViewPages;
namespace Ui {
class ViewForm;
}

// A window that shows one file read-only as text, hex pages or binary pages, with find in
// text mode. It is on screen as soon as it is made, over the main window, stays on top,
// and frees itself when closed. A large file is put into the editor a piece at a time as
// the view nears the end of what is shown.
class TViewForm : public QMainWindow {
public:
    // The owner (a panel) takes the window down with it. Hex and binary loads report the
    // bytes read so far in titleBar's caption (the main window's; may be null).
    TViewForm(QWidget* owner, TitleBar* titleBar);
    ~TViewForm() override;

    // Components of the stored form.
    QPlainTextEdit* Editor = nullptr;
    QMenuBar* ViewfrMainMenu1 = nullptr;
    QMenu* View1 = nullptr;
    QAction* wordwrap1 = nullptr;
    QAction* font1 = nullptr;
    QAction* find1 = nullptr;
    TFindDialog* FindDialog1 = nullptr;

    bool findDismissed = true;
    int viewMode = 0; // 0 text, 1 hex, 2 binary
    // The most of a file that is read; the caption says "(truncated)" when there is more.
    std::int64_t loadLimit = std::int64_t(64) << 20;

    // Shows the file in the mode. Anything but a regular file shows nothing, with "(not a
    // regular file)" in the caption, and never blocks; a read error shows what was read,
    // with "(read error)". Throws platform::FileOpenError naming the file when it cannot be
    // opened for another reason. The extension is the caller's to give; the mode alone picks
    // the form of the pages, so a file views in any mode whatever its extension.
    void LoadFile(const std::string& fileName, const std::string& extension, int mode);
    // Some of the file is read but not yet in the editor.
    bool MoreToShow() const;

    // Esc dismisses an open search first, then closes the viewer; F3 in text mode finds
    // (again).
    void EditorKeyUp(int key, platform::ShiftState shift);
    void wordwrap1Click();
    void font1Click();
    void find1Click();
    // Finds the text of the find box after the selection (from the start when there is
    // none) and selects it, or says "Not found".
    void FindDialog1Find();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowNextPiece();
    void ShowMoreNearEnd();

    std::unique_ptr<Ui::ViewForm> ui;
    TitleBar* titleBar_;
    std::unique_ptr<ViewPages> pages_;
    bool piecePending_ = false;
};
