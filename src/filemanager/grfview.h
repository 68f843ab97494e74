#pragma once

#include "platform/ui/VirtualKeys.h"

#include <QWidget>

#include <memory>
#include <string>

class QKeyEvent;
class TPictureImage;
namespace Ui {
class grfviewForm;
}

// A window that shows one picture file stretched to it and stays on top; owned by the
// panel that made it for one view. Closing it (Esc does) destroys it with its picture,
// so viewing many pictures does not pile up windows.
class TgrfviewForm : public QWidget {
public:
    explicit TgrfviewForm(QWidget* owner);
    ~TgrfviewForm() override;

    // Component of the stored form.
    TPictureImage* Image1 = nullptr;

    // Reads the picture through the picture loader, gives the window a client area of the
    // picture's size (with its frame, at most the screen's available area) and shows it over
    // the main window, captioned "Pelvaxon - " and the name as given. On any failure shows
    // "Error loading " and the name, and the viewer goes without having been visible.
    void ShowPicture(const std::string& FileName);
    void FormKeyUp(int Key, platform::ShiftState Shift);

protected:
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::grfviewForm> ui;
};
