#include "filemanager/WebToolsLink.h"
#include "filemanager/glform.h"
#include "filemanager/mainfr.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/KeyPreview.h"
#include "platform/ui/MessageService.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QRadioButton>

namespace {

constexpr int keyF8 = platform::vk::F1 + 7;
constexpr int keyF10 = platform::vk::F1 + 9;

bool IsPanelKey(int key)
{
    namespace vk = platform::vk;
    return key == vk::Tab || key == vk::Return || (key >= vk::Left && key <= vk::Down) || key == vk::Insert;
}

} // namespace

void TMainForm::InstallKeyDispatch()
{
    // The window sees every key before the focused control does.
    auto* preview = new platform::KeyPreview(this);
    preview->OnKeyDown = [this](int key, platform::ShiftState shift) { FormKeyDown(key, shift); };
    preview->OnKeyUp = [this](int key, platform::ShiftState shift) { FormKeyUp(key, shift); };
    preview->TakesKey = [this](int key, platform::ShiftState shift) { return TakesKey(key, shift); };
}

// The keys this window acts on are its alone: a drive box would open its list on F4 and
// change the drive on Up and Down, a radio button would change the mode on an arrow. A text
// field keeps its keys, and an open list its arrows.
bool TMainForm::TakesKey(int key, platform::ShiftState shift) const
{
    namespace vk = platform::vk;
    if (TextFieldFocused())
        return false;
    const bool command = (key >= vk::F1 && key <= keyF10) || key == vk::Delete || key == vk::Multiply
                         || ((key == 'P' || key == 'R' || key == 'Z') && !shift.ctrl) || (shift.ctrl && key >= 'A');
    const bool moves = (key >= vk::Left && key <= vk::Down) || key == vk::Insert;
    return command || (moves && !ListHasTheKeys());
}

bool TMainForm::ListHasTheKeys() const { return QApplication::activePopupWidget() != nullptr; }

// A virtual, not an event filter: the deactivation sent while the window is destroyed must
// not reach a form whose members are gone.
bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        const bool active = event->type() == QEvent::WindowActivate;
        platform::guarded([&] { ActivationChanged(active); });
    }
    return QMainWindow::event(event);
}

void TMainForm::ActivationChanged(bool active)
{
    // Keys released in another window never reached us: what we remember may be stale.
    if (active) {
        ReadLiveModifiers();
        return;
    }
    for (Tglfr* panel : {leftPanel, rightPanel}) {
        if (panel && panel->drawingSuppressed) {
            panel->drawingSuppressed = false;
            panel->RepaintScene();
        }
    }
}

bool TMainForm::TextFieldFocused() const
{
    return filterEditFocused || qobject_cast<QLineEdit*>(focusWidget()) != nullptr;
}

void TMainForm::PassToPanels(int key, platform::ShiftState shift, bool down)
{
    if (TextFieldFocused() || ListHasTheKeys())
        return;
    for (Tglfr* panel : {leftPanel, rightPanel}) {
        if (!panel || !panel->active)
            continue;
        if (down)
            panel->OpenGLPanel1KeyDown(key, shift);
        else
            panel->OpenGLPanel1KeyUp(key, shift);
    }
}

void TMainForm::FormKeyDown(int Key, platform::ShiftState Shift)
{
    SetModifiers(Shift);
    if (Key == platform::vk::Escape) {
        for (Tglfr* panel : {leftPanel, rightPanel}) {
            if (panel)
                panel->drawingSuppressed = true;
        }
    }
    if (IsPanelKey(Key))
        PassToPanels(Key, Shift, true);
}

void TMainForm::SetNavigationMode(QRadioButton* Tglfr::*button, const std::string& name)
{
    for (Tglfr* panel : {leftPanel, rightPanel}) {
        if (panel)
            (panel->*button)->setChecked(true);
    }
    if (webTools)
        webTools->CheckTraceRadioButton(name);
}

void TMainForm::FormKeyUp(int Key, platform::ShiftState Shift)
{
    namespace vk = platform::vk;
    SetModifiers(Shift);
    const bool typing = TextFieldFocused();
    if (IsPanelKey(Key)) {
        PassToPanels(Key, Shift, false);
    } else if (Key == vk::Escape) {
        for (Tglfr* panel : {leftPanel, rightPanel}) {
            if (panel) {
                panel->drawingSuppressed = false;
                panel->RepaintScene();
            }
        }
    } else if (Key == vk::Delete || Key == keyF8) {
        // Del erases a character in a text field; it must not delete the marked files too.
        if (!typing)
            deleteSpeedButtonClick();
    } else if ((Key == 'P' || Key == 'R' || Key == 'Z') && !Shift.ctrl && !typing) {
        if (Key == 'P')
            SetNavigationMode(&Tglfr::panRadioButton, "panRadioButton");
        else if (Key == 'R')
            SetNavigationMode(&Tglfr::rotateRadioButton, "rotateRadioButton");
        else
            SetNavigationMode(&Tglfr::zoomRadioButton, "zoomRadioButton");
    } else if (Key == vk::Multiply) {
        if (!typing) {
            for (Tglfr* panel : {leftPanel, rightPanel}) {
                if (panel && panel->active)
                    panel->invertselection1Click();
            }
        }
    } else if (Key >= vk::F1 && Key <= keyF10) {
        RunFunctionKey(Key);
    }
    if (Shift.ctrl && Key >= 'A' && !typing && !OpensMenu(Key))
        SelectDriveByKey(Key);
}

void TMainForm::RunFunctionKey(int key)
{
    using Handler = void (TMainForm::*)();
    static constexpr Handler handlers[] = {
        &TMainForm::Controls1Click,          &TMainForm::renameSpeedButtonClick,    &TMainForm::ViewSpeedButtonClick,
        &TMainForm::EditSpeedButtonClick,    &TMainForm::CopyItemsSpeedButtonClick, &TMainForm::MoveItemsSpeedButtonClick,
        &TMainForm::makedirSpeedButtonClick, nullptr,                               &TMainForm::CompareSpeedButtonClick,
        &TMainForm::FindSpeedButtonClick,
    };
    // F8 is the delete key, handled with Del.
    if (const Handler handler = handlers[key - platform::vk::F1])
        (this->*handler)();
}

void TMainForm::SelectDriveByKey(int key)
{
    Tglfr* panel = ActivePanel();
    if (!panel) {
        platform::ShowMessage("select window");
        return;
    }
    const int index = panel->drives.FindByFirstChar(static_cast<char>(key));
    if (index < 0) {
        platform::ShowMessage("no such drive");
        return;
    }
    panel->drvComboBox->setCurrentIndex(index);
    panel->drvComboBoxClick();
}
