#include "PanelCommandsFixture.h"
#include "filemanager/findfiledlg.h"
#include "filemanager/grfview.h"
#include "filemanager/viewfil.h"
#include "platform/fs/Attributes.h"
#include "support/PictureBytes.h"
#include "support/RecordingLauncher.h"
#include "support/gl/GlTestHelpers.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QCoreApplication>
#include <QImage>
#include <QListView>
#include <QPlainTextEdit>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

mode_t ModeOf(const std::string& path)
{
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status.st_mode;
}

// The panel's child windows of a class; the viewers have no meta-object of their own.
template <class Window>
std::vector<Window*> Windows(const Tglfr& panel)
{
    std::vector<Window*> found;
    for (QWidget* child : panel.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (auto* window = dynamic_cast<Window*>(child))
            found.push_back(window);
    }
    return found;
}

// Ticks or clears read-only in the next attribute dialog and ends it with OK.
void AnswerReadOnly(testsupport::ScriptedMessages& boxes, bool on)
{
    boxes.answerModal(QDialog::Accepted,
                      [on](QDialog& dialog) { dialog.findChild<QCheckBox*>("ROCheckBox")->setChecked(on); });
}

TEST_F(PanelCommands, ViewOpensThePictureViewerOnlyForAPictureExtensionInTextMode)
{
    tree.File("a/photo.JPG", "not really a picture");
    tree.File("a/a.gifts.txt", "text");
    tree.Dir("a/sub");
    Open(tree.Path("a"), tree.Dir("b"));
    left->ViewCurrentFile(0);
    SetCurrent(*left, "sub");
    left->ViewCurrentFile(0);
    EXPECT_TRUE(Windows<TViewForm>(*left).empty());
    EXPECT_TRUE(Windows<TgrfviewForm>(*left).empty());

    // The picture viewer names the file by its full path, in its caption as in its error.
    SetCurrent(*left, "photo.JPG");
    left->ViewCurrentFile(0);
    EXPECT_EQ(Windows<TgrfviewForm>(*left).size(), 1u);
    EXPECT_EQ(boxes.texts(), Texts{"Error loading " + tree.Path("a/photo.JPG")}) << "the picture viewer took it";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QImage box(30, 20, QImage::Format_RGB32);
    box.fill(Qt::blue);
    testsupport::writeFile(tree.Path("a/box.bmp"), testsupport::pictureBytes(box, "bmp"));
    left->RefreshListing(true);
    SetCurrent(*left, "box.bmp");
    left->ViewCurrentFile(0);
    const std::vector<TgrfviewForm*> pictures = Windows<TgrfviewForm>(*left);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0]->windowTitle().toStdString(), "Pelvaxon - " + tree.Path("a/box.bmp"));
    EXPECT_EQ(pictures[0]->size(), QSize(30, 20));
    pictures[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    left->ViewCurrentFile(1);
    SetCurrent(*left, "a.gifts.txt");
    left->ViewCurrentFile(0);
    const std::vector<TViewForm*> viewers = Windows<TViewForm>(*left);
    ASSERT_EQ(viewers.size(), 2u);
    EXPECT_EQ(viewers[0]->viewMode, 1);
    EXPECT_EQ(viewers[1]->viewMode, 0);
    EXPECT_EQ(viewers[1]->Editor->toPlainText(), "text");
    for (TViewForm* viewer : viewers)
        viewer->close();
    QCoreApplication::processEvents();
}

TEST_F(PanelCommands, EditorAndTerminalStartInThePanelsDirectoryWithNamesAsBytes)
{
    testsupport::RecordingLauncher launcher;
    tree.File("a/-x");
    tree.File("a/\xff.txt");
    Open(tree.Path("a"), tree.Dir("b"));
    Script("terminal/x-terminal-emulator", "");
    Script("xterm-only/xterm", "");
    using Start = testsupport::RecordingLauncher::Start;
    const auto same = [](const Start& start, const std::string& program, const Texts& arguments, const std::string& dir) {
        return start.program == program && start.arguments == arguments && start.directory == dir;
    };
    {
        const ScopedPath path(tree.Path("terminal"));
        SetCurrent(*left, "-x");
        left->EditCurrentFile();
        SetCurrent(*left, "\xff.txt");
        left->EditCurrentFile();
        left->doswinClick();
        SetCurrent(*left, "..");
        left->EditCurrentFile();
    }
    for (const std::string& onlyPath : {tree.Path("xterm-only"), tree.Dir("empty")}) {
        const ScopedPath path(onlyPath);
        left->doswinClick();
    }
    ASSERT_EQ(launcher.programs().size(), 4u);
    const std::string dir = tree.Path("a");
    EXPECT_TRUE(same(launcher.programs()[0], "x-terminal-emulator", {"-e", "sensible-editor", "./-x"}, dir));
    EXPECT_TRUE(same(launcher.programs()[1], "x-terminal-emulator", {"-e", "sensible-editor", "\xff.txt"}, dir));
    EXPECT_TRUE(same(launcher.programs()[2], "x-terminal-emulator", {}, dir));
    EXPECT_TRUE(same(launcher.programs()[3], "xterm", {}, dir));
    EXPECT_EQ(boxes.texts(), Texts{"No terminal program found: neither x-terminal-emulator nor xterm is installed."});
}

TEST_F(PanelCommands, ReadOnlyIsSetAndClearedAndEachFailureNamed)
{
    tree.File("a/f");
    tree.File("a/g");
    tree.Dir("a/d");
    tree.File("a/h");
    tree.Chmod("a/f", 0666);
    Open(tree.Path("a"), tree.Dir("b"));
    left->setattributes1Click();
    Mark(*left, {".."});
    left->setattributes1Click();
    EXPECT_EQ(boxes.texts(), (Texts{"No files selected", "No files selected"}));

    boxes.clear();
    Mark(*left, {"f", "d", ".."});
    AnswerReadOnly(boxes, true);
    left->setattributes1Click();
    EXPECT_EQ(ModeOf(tree.Path("a/f")) & 0777, 0444u);
    ASSERT_TRUE(Lists(*left, "d"));
    EXPECT_EQ(Entry(*left, "d")->attrib, platform::attrDirectory | platform::attrReadOnly);
    EXPECT_EQ(ModeOf(tree.Root()) & 0777, 0700u) << "the parent is never changed";
    if (geteuid() == 0) {
        tree.Chmod("", 0755);
        const testfs::AsNobody nobody;
        EXPECT_LT(open(tree.Path("a/f").c_str(), O_WRONLY | O_CLOEXEC), 0) << "read-only for everyone";
    }

    Mark(*left, {"d"});
    boxes.answerModal(QDialog::Accepted, [](QDialog& dialog) {
        EXPECT_TRUE(dialog.findChild<QCheckBox*>("ROCheckBox")->isChecked()) << "the one mark's own bits";
        dialog.findChild<QCheckBox*>("ROCheckBox")->setChecked(false);
    });
    left->setattributes1Click();
    EXPECT_EQ(ModeOf(tree.Path("a/d")) & 0777, 0755u);

    Mark(*left, {"h", "g"});
    ASSERT_EQ(unlink(tree.Path("a/h").c_str()), 0);
    AnswerReadOnly(boxes, true);
    left->setattributes1Click();
    EXPECT_EQ(boxes.texts(), Texts{"setting attributes is not successful, file: h"});
    EXPECT_EQ(ModeOf(tree.Path("a/g")) & 0222, 0u) << "the others still change";

    // A link's own mode cannot change: it is named and skipped, and its target, outside the
    // panel's directory, is never touched.
    tree.File("outside/target");
    tree.Chmod("outside/target", 0644);
    tree.Link(tree.Path("outside/target"), "a/link");
    tree.File("a/k");
    left->ChangeToListingDir();
    left->RefreshListing(true);
    Mark(*left, {"link", "k"});
    boxes.clear();
    AnswerReadOnly(boxes, true);
    left->setattributes1Click();
    EXPECT_EQ(boxes.texts(), Texts{"setting attributes is not successful, file: link"});
    EXPECT_EQ(ModeOf(tree.Path("outside/target")) & 0777, 0644u);
    EXPECT_EQ(ModeOf(tree.Path("a/k")) & 0222, 0u);
}

// Runs the find dialog's search for the pattern and chooses the result with that path.
void ChooseFound(testsupport::ScriptedMessages& boxes, const std::string& pattern, const std::string& wanted)
{
    boxes.answerModal(QDialog::Accepted, [pattern, wanted](QDialog& shown) {
        auto& dialog = dynamic_cast<TFindFilDlg&>(shown);
        dialog.FilnamEdit->setText(QString::fromStdString(pattern));
        dialog.FindButtonClick();
        const QAbstractItemModel* results = dialog.FileCheckListBox->model();
        for (int row = 0; row < results->rowCount(); ++row) {
            dialog.FileCheckListBox->setCurrentIndex(results->index(row, 0));
            if (dialog.ChosenEntry() && dialog.ChosenEntry()->path == wanted)
                return;
        }
        ADD_FAILURE() << wanted << " not found";
    });
}

TEST_F(PanelCommands, FindTakesThePanelToTheChosenDirectoryOrTheFilesDirectory)
{
    tree.File("a/deep/er/needle.txt");
    tree.Dir("a/other/needles");
    Open(tree.Path("a"), tree.Dir("b"));
    TFindFilDlg dialog;
    FindFilDlg = &dialog;
    ChooseFound(boxes, "needle*", tree.Path("a/deep/er/needle.txt"));
    left->FindFiles();
    EXPECT_EQ(dialog.StartDir(), tree.Path("a")) << "filled when empty";
    EXPECT_EQ(left->DirPath(), tree.Path("a/deep/er"));
    EXPECT_TRUE(Lists(*left, "needle.txt"));

    ChooseFound(boxes, "needle*", tree.Path("a/other/needles"));
    left->FindFiles();
    EXPECT_EQ(left->DirPath(), tree.Path("a/other/needles"));
    EXPECT_EQ(dialog.StartDir(), tree.Path("a")) << "kept once given";

    boxes.answerModal(QDialog::Rejected);
    left->FindFiles();
    EXPECT_EQ(left->DirPath(), tree.Path("a/other/needles"));
    EXPECT_TRUE(boxes.texts().empty());
}

} // namespace
