#include "FakeWebTools.h"
#include "MainFormFixture.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/findfiledlg.h"
#include "filemanager/glform.h"
#include "filemanager/viewfil.h"
#include "platform/shell/RunProgram.h"
#include "support/ProgramRun.h"
#include "support/RecordingLauncher.h"
#include "support/TempTree.h"
#include "support/gl/GlTestHelpers.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>
#include <QWindow>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include <unistd.h>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

using platform::MsgResult;
using Texts = std::vector<std::string>;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A main window with real panels over a left and a right directory, the left one active.
class CommandBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(glReady);
        QFile::remove(QString::fromStdString(platform::settingsFilePath()));
        const std::string cdrom = tree.Dir("cdrom");
        form = std::make_unique<TMainForm>();
        form->mountSource = [cdrom] { return std::vector<platform::MountEntry>{{cdrom, "fuse.sshfs", true}}; };
        form->webTools = &trace;
        platform::Application::instance().OnActivate = nullptr;
        form->resize(800, 600);
        form->show();
        QCoreApplication::processEvents();
        form->AppActivate();
        left = form->leftPanel;
        right = form->rightPanel;
        left->GoToDirectory(tree.Dir("left"));
        right->GoToDirectory(tree.Dir("right"));
        FindFilDlg = &findDialog;
        Activate(left);
        ASSERT_EQ(left->DirPath(), tree.Path("left"));
        ASSERT_EQ(right->DirPath(), tree.Path("right"));
    }
    void TearDown() override
    {
        FindFilDlg = nullptr;
        if (form)
            form->webTools = nullptr;
    }
    static void Reread(Tglfr* panel)
    {
        panel->ChangeToListingDir();
        panel->RefreshListing(true);
    }
    void Activate(Tglfr* panel)
    {
        left->SetActive(panel == left);
        right->SetActive(panel == right);
    }
    static void Mark(Tglfr& panel, const Texts& names)
    {
        for (const auto& entry : panel.dir.entries)
            entry->selected = std::find(names.begin(), names.end(), entry->name) != names.end();
    }
    static bool Lists(const Tglfr& panel, const std::string& name)
    {
        return std::any_of(panel.dir.entries.begin(), panel.dir.entries.end(),
                           [&](const auto& entry) { return entry->name == name; });
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, QWidget* window = nullptr)
    {
        QTest::keyClick((window ? window : form.get())->windowHandle(), key, modifiers);
        QCoreApplication::processEvents();
    }
    static void SetCurrent(Tglfr& panel, const std::string& name)
    {
        for (const auto& entry : panel.dir.entries)
            entry->current = entry->name == name;
    }

    testfs::TempTree tree;
    testfs::KeepCurrentDir keepDir;
    testsupport::ScriptedMessages boxes;
    FakeWebTools trace;
    TFindFilDlg findDialog;
    std::unique_ptr<TMainForm> form;
    Tglfr* left = nullptr;
    Tglfr* right = nullptr;
};

TEST_F(CommandBar, TheBarHoldsNineButtonsThatEachReachTheirCommand)
{
    Texts captions;
    for (QAction* action : form->ToolBar1->actions())
        if (!qobject_cast<QLabel*>(form->ToolBar1->widgetForAction(action)))
            captions.push_back(action->text().toStdString());
    EXPECT_EQ(captions, (Texts{"rename F2", "view F3", "edit F4", "copy F5", "move F6", "make dir F7",
                               "delete F8 / Del", "compare F9", "find F10"}));

    const auto click = [&](const char* name) { form->findChild<QAction*>(name)->trigger(); };
    click("renameSpeedButton");
    click("CopyItemsSpeedButton");
    click("MoveItemsSpeedButton");
    click("CompareSpeedButton");
    EXPECT_EQ(boxes.texts(), (Texts{"No files selected", "No file selected", "No files selected",
                                    "More or less than two files are selected"}));
    boxes.answerModal(QDialog::Rejected);
    boxes.answerModal(QDialog::Rejected);
    click("makedirSpeedButton");
    click("FindSpeedButton");
    EXPECT_EQ(boxes.modalDialogs(), (Texts{"MakedirDlg", "FindFilDlg"}));
}

TEST_F(CommandBar, FunctionKeysCopyMoveAndOpenTheDialogsOfTheActivePanel)
{
    tree.File("left/a.txt", "A");
    tree.File("left/b.txt", "B");
    Reread(left);
    Mark(*left, {"a.txt"});
    Key(Qt::Key_F5);
    EXPECT_TRUE(Exists(tree.Path("right/a.txt")));
    // The source is read again first, so the target's directory is the current one afterwards.
    EXPECT_EQ(testfs::CurrentDirectory(), tree.Path("right"));
    EXPECT_TRUE(Lists(*right, "a.txt") && Lists(*left, "a.txt"));
    Mark(*left, {"b.txt"});
    Key(Qt::Key_F6);
    EXPECT_TRUE(Lists(*right, "b.txt"));
    EXPECT_FALSE(Lists(*left, "b.txt") || Exists(tree.Path("left/b.txt")));

    // With neither panel active copy goes from right to left; the other commands do nothing.
    Activate(nullptr);
    Mark(*right, {"b.txt"});
    Key(Qt::Key_F5);
    EXPECT_TRUE(Exists(tree.Path("left/b.txt")) && Lists(*left, "b.txt"));
    EXPECT_EQ(testfs::CurrentDirectory(), tree.Path("left"));
    Key(Qt::Key_F7);
    Key(Qt::Key_F2);
    EXPECT_TRUE(boxes.modalDialogs().empty());

    Activate(left);
    Mark(*left, {"a.txt"});
    for (Qt::Key key : {Qt::Key_F2, Qt::Key_F7, Qt::Key_F10})
        boxes.answerModal(QDialog::Rejected), Key(key);
    EXPECT_EQ(boxes.modalDialogs(), (Texts{"RenameDlg", "MakedirDlg", "FindFilDlg"}));
    boxes.clear();
    Key(Qt::Key_F1);
    EXPECT_EQ(boxes.texts(), (Texts{"Rotate: CTRL+left Mouse button, Pan: ALT+left mouse button, Zoom: CTRL+ALT+left "
                                    "mouse button,Select: SHIFT+left mouse button or right mouse button alone"}));

    // F3 views the cursor file and Shift+F3 shows it in hex; an F3 typed in a viewer is the viewer's.
    SetCurrent(*left, "a.txt");
    Key(Qt::Key_F3);
    Key(Qt::Key_F3, Qt::ShiftModifier);
    const QList<TViewForm*> viewers = left->findChildren<TViewForm*>();
    ASSERT_EQ(viewers.size(), 2);
    EXPECT_EQ(viewers[0]->viewMode, 0);
    EXPECT_EQ(viewers[1]->viewMode, 1);
    Key(Qt::Key_F3, Qt::NoModifier, viewers[0]);
    EXPECT_EQ(left->findChildren<TViewForm*>().size(), 2);
    for (TViewForm* viewer : viewers)
        viewer->close();

    // A target that vanished is named when it is read again after the copy.
    Mark(*left, {});
    std::filesystem::remove_all(tree.Path("right"));
    boxes.clear();
    Key(Qt::Key_F5);
    EXPECT_EQ(boxes.texts(), (Texts{"No file selected", "cannot change to current dir: " + tree.Path("right")}));
}

TEST_F(CommandBar, DeleteAsksForGoodOnlyWithShiftAndCompareFindsTwoMarkedFiles)
{
    tree.File("left/a.txt", "same");
    tree.File("left/b.txt", "same and more");
    tree.File("right/c.txt", "other");
    Reread(left);
    Reread(right);
    Mark(*left, {"a.txt"});
    boxes.answer(MsgResult::No);
    boxes.answer(MsgResult::No);
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    Mark(*left, {"a.txt"});
    Key(Qt::Key_Delete);
    ASSERT_EQ(boxes.texts().size(), 4u);
    EXPECT_TRUE(boxes.texts()[0].starts_with("Permanently delete 1 item(s)")) << boxes.texts()[0];
    EXPECT_EQ(boxes.texts()[2], "Move 1 item(s) to the trash?");
    EXPECT_TRUE(Exists(tree.Path("left/a.txt")));
    boxes.clear();

    Mark(*left, {"a.txt", "b.txt"});
    Key(Qt::Key_F9);
    Mark(*left, {"a.txt"});
    Mark(*right, {"c.txt", ".."});
    Key(Qt::Key_F9);
    Mark(*left, {"a.txt", "b.txt"});
    Key(Qt::Key_F9);
    EXPECT_EQ(boxes.texts(), (Texts{"the files are identical till the length of the shorter one",
                                    "the files are not identical", "More or less than two files are selected"}));

    // A FIFO would wait for a writer: a regression ends the program by the alarm instead of hanging.
    tree.Fifo("left/fifo");
    tree.File("left/locked", "x");
    Reread(left);
    boxes.clear();
    Mark(*right, {});
    Mark(*left, {"a.txt", "fifo"});
    alarm(20);
    Key(Qt::Key_F9);
    alarm(0);
    tree.Chmod("", 0755);
    tree.Chmod("left", 0755);
    tree.Chmod("left/locked", 0);
    // The later file in the listing is opened first, and fails alone.
    Mark(*left, {"fifo", "locked"});
    {
        const testfs::AsNobody nobody; // root reads any file
        Key(Qt::Key_F9);
    }
    EXPECT_EQ(boxes.texts(),
              (Texts{"can't open: " + tree.Path("left/fifo"), "can't open: " + tree.Path("left/locked")}));
}

TEST_F(CommandBar, TypingInATextFieldReachesNoCommand)
{
    tree.File("left/a.txt", "A");
    Reread(left);
    const auto check = [&](const char* how) {
        Mark(*left, {"a.txt"});
        left->rotateRadioButton->setChecked(true);
        const double rotx = left->rotx;
        Key(Qt::Key_Delete);
        Key(Qt::Key_Delete, Qt::ShiftModifier);
        Key(Qt::Key_Asterisk, Qt::KeypadModifier);
        Key(Qt::Key_P);
        Key(Qt::Key_Up);
        Key(Qt::Key_C, Qt::ControlModifier);
        EXPECT_TRUE(boxes.texts().empty()) << how;
        EXPECT_TRUE(Exists(tree.Path("left/a.txt"))) << how;
        EXPECT_TRUE(left->rotateRadioButton->isChecked()) << how;
        EXPECT_EQ(left->rotx, rotx) << how;
        EXPECT_TRUE(trace.traceModes.empty()) << how;
        EXPECT_EQ(left->DirPath(), tree.Path("left")) << how;
    };
    form->filterEditFocused = true;
    check("flag");
    form->filterEditFocused = false;
    left->FilterEdit->setFocus();
    QCoreApplication::processEvents();
    if (form->focusWidget() == left->FilterEdit)
        check("focus");
}

TEST_F(CommandBar, ModeKeysDriveKeysAndEscapeReachBothPanels)
{
    Key(Qt::Key_P);
    EXPECT_TRUE(left->panRadioButton->isChecked() && right->panRadioButton->isChecked());
    Key(Qt::Key_Z);
    EXPECT_TRUE(left->zoomRadioButton->isChecked() && right->zoomRadioButton->isChecked());
    Key(Qt::Key_R);
    EXPECT_TRUE(left->rotateRadioButton->isChecked() && right->rotateRadioButton->isChecked());
    EXPECT_EQ(trace.traceModes, (Texts{"panRadioButton", "zoomRadioButton", "rotateRadioButton"}));

    Key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(left->rotateRadioButton->isChecked());
    Key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(boxes.texts(), (Texts{"no such drive", "no such drive"}));
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(left->DirPath(), tree.Path("cdrom"));
    EXPECT_EQ(left->drvComboBox->currentText(), "cdrom");
    EXPECT_EQ(right->DirPath(), tree.Path("right"));
    Activate(nullptr);
    boxes.clear();
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(boxes.texts(), (Texts{"select window"}));

    // While Esc is down a paint draws nothing; its release draws each panel once.
    QTest::keyPress(form->windowHandle(), Qt::Key_Escape);
    for (Tglfr* panel : {left, right}) {
        panel->drawnOnce = false;
        panel->RepaintScene();
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(left->drawnOnce || right->drawnOnce);
    PaintCounter leftPaints(left->OpenGLPanel1);
    PaintCounter rightPaints(right->OpenGLPanel1);
    QTest::keyRelease(form->windowHandle(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_TRUE(left->drawnOnce && right->drawnOnce);
    EXPECT_EQ(leftPaints.count, 1);
    EXPECT_EQ(rightPaints.count, 1);
    // An Esc released in another window must not leave the panels dark.
    QTest::keyPress(form->windowHandle(), Qt::Key_Escape);
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(form.get(), &deactivate);
    EXPECT_FALSE(left->drawingSuppressed || right->drawingSuppressed);
    // The Shift of a key pressed here and released elsewhere is forgotten on coming back.
    form->FormKeyDown(platform::vk::Shift, {true, false, false});
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(form.get(), &activate);
    EXPECT_FALSE(form->shiftDown);
}

// A key as the X server gives it: each event to the window that holds the keyboard then.
void Type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    for (const bool press : {true, false}) {
        QWindow* focused = QGuiApplication::focusWindow();
        ASSERT_NE(focused, nullptr);
        if (press)
            QTest::keyPress(focused, key, modifiers);
        else
            QTest::keyRelease(focused, key, modifiers);
        QCoreApplication::processEvents();
    }
}

// Whatever control holds the keyboard, the command keys reach the window, and the control
// does not act on them too: a drive box opened its list on F4, kept the keys while the list
// was open, and changed the drive on Up and Down; a radio button changed the mode on an arrow.
TEST_F(CommandBar, CommandKeysReachTheWindowWhateverControlHoldsTheKeyboard)
{
    testsupport::RecordingLauncher launcher;
    tree.File("left/a.txt", "A");
    tree.File("left/b.txt", "B");
    Reread(left);
    QComboBox* box = left->drvComboBox;
    const auto openList = [&] {
        QTest::mouseClick(box, Qt::LeftButton);
        ASSERT_TRUE(testsupport::waitUntil([] { return QApplication::activePopupWidget() != nullptr; }));
    };
    const auto ready = [&] {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        Activate(left);
    };
    const std::vector<std::pair<const char*, std::function<void()>>> controls = {
        {"the drive box after a pick from its list",
         [&, picked = false]() mutable {
             ready();
             // After the first pick, the box is given the keyboard back as the pick left it.
             if (picked) {
                 box->setFocus(Qt::MouseFocusReason);
                 return;
             }
             picked = true;
             openList();
             ASSERT_EQ(box->currentText(), "/");
             Type(Qt::Key_Down);
             Type(Qt::Key_Return);
             ASSERT_TRUE(testsupport::waitUntil([] { return QApplication::activePopupWidget() == nullptr; }));
             ASSERT_EQ(left->DirPath(), tree.Path("cdrom"));
             left->GoToDirectory(tree.Path("left"));
             ASSERT_EQ(QApplication::focusWidget(), box);
         }},
        {"the drive box's open list",
         [&] {
             ready();
             openList();
         }},
        {"a radio button clicked",
         [&] {
             ready();
             QTest::mouseClick(left->panRadioButton, Qt::LeftButton);
             ASSERT_EQ(QApplication::focusWidget(), left->panRadioButton);
         }},
        {"a tool-bar button clicked",
         [&] {
             ready();
             form->ClearActiveControl();
             QTest::mouseClick(form->ToolBar1->widgetForAction(form->findChild<QAction*>("CompareSpeedButton")),
                               Qt::LeftButton);
         }},
    };

    const auto said = [&](const std::string& text) {
        return [&, text] { return !boxes.texts().empty() && boxes.texts().front() == text; };
    };
    const auto ranModal = [&](const std::string& name) {
        return [&, name] { return !boxes.modalDialogs().empty() && boxes.modalDialogs().back() == name; };
    };
    const auto marked = [&] {
        Texts names;
        for (const auto& entry : left->dir.entries)
            if (entry->selected)
                names.push_back(entry->name);
        return names;
    };
    const auto mode = [&](const std::string& name, QRadioButton* button) {
        return [&, name, button] { return trace.traceModes == Texts{name} && button->isChecked(); };
    };
    const auto markToTrash = [&] {
        Mark(*left, {"a.txt"});
        boxes.answer(MsgResult::No);
    };
    const auto nothing = [] {};
    const auto onA = [&] { SetCurrent(*left, "a.txt"); };
    struct KeyCase {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::function<void()> arrange;
        std::function<bool()> reached;
    };
    const int driveIndex = box->currentIndex();
    std::size_t started = 0;
    const std::vector<KeyCase> keys = {
        {Qt::Key_F1, {}, nothing, [&] { return boxes.texts().size() == 1 && boxes.texts()[0].starts_with("Rotate:"); }},
        {Qt::Key_F2, {}, nothing, said("No files selected")},
        {Qt::Key_F3, {}, onA, [&] { return left->findChildren<TViewForm*>().size() == 1; }},
        {Qt::Key_F4, {}, onA,
         [&] {
             return launcher.programs().size() == started + 1
                    || said("No terminal program found: neither x-terminal-emulator nor xterm is installed.")();
         }},
        {Qt::Key_F5, {}, nothing, said("No file selected")},
        {Qt::Key_F6, {}, nothing, said("No files selected")},
        {Qt::Key_F7, {}, [&] { boxes.answerModal(QDialog::Rejected); }, ranModal("MakedirDlg")},
        {Qt::Key_F8, {}, markToTrash, said("Move 1 item(s) to the trash?")},
        {Qt::Key_Delete, {}, markToTrash, said("Move 1 item(s) to the trash?")},
        {Qt::Key_F9, {}, nothing, said("More or less than two files are selected")},
        {Qt::Key_F10, {}, [&] { boxes.answerModal(QDialog::Rejected); }, ranModal("FindFilDlg")},
        {Qt::Key_Q, Qt::ControlModifier, nothing, said("no such drive")},
        {Qt::Key_Asterisk, Qt::KeypadModifier, nothing, [&] { return marked() == Texts{"a.txt", "b.txt"}; }},
        {Qt::Key_Z, {}, nothing, mode("zoomRadioButton", left->zoomRadioButton)},
        {Qt::Key_R, {}, nothing, mode("rotateRadioButton", left->rotateRadioButton)},
        {Qt::Key_P, {}, [&] { left->zoomRadioButton->setChecked(true); }, mode("panRadioButton", left->panRadioButton)},
        // Moves of the scene, never a change of drive or mode.
        {Qt::Key_Down, {}, nothing,
         [&] {
             return box->currentIndex() == driveIndex && left->DirPath() == tree.Path("left")
                    && left->panRadioButton->isChecked() && boxes.texts().empty();
         }},
    };
    for (const auto& [control, giveKeys] : controls) {
        for (const KeyCase& key : keys) {
            giveKeys();
            if (HasFatalFailure())
                return;
            left->panRadioButton->setChecked(true);
            Mark(*left, {});
            SetCurrent(*left, "");
            boxes.clear();
            trace.traceModes.clear();
            started = launcher.programs().size();
            key.arrange();
            Type(key.key, key.modifiers);
            EXPECT_TRUE(key.reached()) << QKeySequence(key.key | key.modifiers).toString().toStdString() << " from "
                                       << control << (boxes.texts().empty() ? "" : ", said: " + boxes.texts()[0]);
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            for (TViewForm* viewer : left->findChildren<TViewForm*>())
                delete viewer;
        }
        // Esc is seen going down and coming up: the panels draw nothing while it is held. In
        // an open list its press is the list's too, and closing the list hands the keyboard
        // back through a deactivation, after which the panels draw again anyway.
        giveKeys();
        const bool listOpen = QApplication::activePopupWidget() != nullptr;
        QTest::keyPress(QGuiApplication::focusWindow(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        if (listOpen)
            EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << control;
        else
            EXPECT_TRUE(left->drawingSuppressed && right->drawingSuppressed) << control;
        left->drawingSuppressed = right->drawingSuppressed = true;
        PaintCounter paints(left->OpenGLPanel1);
        QTest::keyRelease(QGuiApplication::focusWindow(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        EXPECT_FALSE(left->drawingSuppressed || right->drawingSuppressed) << control;
        EXPECT_EQ(paints.count, 1) << control;
    }
}

// A dialog of the main window's, as the picture picker is: the keys typed into its open
// drop-down list are the list's, never commands of the main window.
TEST_F(CommandBar, ADialogsDropDownListKeepsItsKeys)
{
    QDialog dialog(form.get());
    auto* places = new QComboBox(&dialog);
    places->addItems({"home", "pictures", "root"});
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    places->setFocus();
    places->showPopup();
    ASSERT_TRUE(testsupport::waitUntil([] { return QApplication::activePopupWidget() != nullptr; }));
    left->zoomRadioButton->setChecked(true);
    Type(Qt::Key_P);
    Type(Qt::Key_F2);
    EXPECT_NE(QApplication::activePopupWidget(), nullptr) << "the list stays open";
    EXPECT_EQ(places->view()->currentIndex().row(), 1) << "p picked the entry it begins";
    EXPECT_TRUE(left->zoomRadioButton->isChecked());
    EXPECT_TRUE(trace.traceModes.empty());
    EXPECT_TRUE(boxes.texts().empty()) << "F2 renamed nothing";
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

TEST_F(CommandBar, AnF5HeldOnTheXServerCopiesOnce)
{
    if (platform::FindProgram("xdotool").empty())
        GTEST_SKIP() << "xdotool is not installed";
    tree.File("left/a.txt", "A");
    Reread(left);
    Mark(*left, {"a.txt"});
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EventCounter repeats(form->windowHandle(), [](const QEvent& event) {
        return event.type() == QEvent::KeyPress && static_cast<const QKeyEvent&>(event).isAutoRepeat();
    });
    // Held past the server's repeat delay (660 ms by default), so it repeats as a real key does.
    if (testsupport::runProgram({"xdotool", "keydown", "F5", "sleep", "1.2", "keyup", "F5"}) != 0)
        GTEST_SKIP() << "xdotool could not type through the XTest extension";
    ASSERT_TRUE(testsupport::waitUntil([&] { return Exists(tree.Path("right/a.txt")); }));
    QTest::qWait(200);
    EXPECT_GT(repeats.count, 0) << "the held key never repeated";
    // A second copy would have found nothing marked, or asked whether to replace the file.
    EXPECT_TRUE(boxes.texts().empty()) << boxes.texts().front();
}

} // namespace
