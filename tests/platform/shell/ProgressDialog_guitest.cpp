#include "platform/shell/FileOperation.h"
#include "support/FileContents.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

QProgressDialog* VisibleProgressDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(widget); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

TEST(ProgressDialog, AppearsOnlyOnceTheWorkLastsAndItsCancelStopsTheWork)
{
    auto progress = platform::MakeProgressDialog("copy");
    progress->addWork(1000);
    EXPECT_TRUE(progress->beginItem("/quick/one"));
    EXPECT_EQ(VisibleProgressDialog(), nullptr);
    QTest::qWait(450);
    EXPECT_TRUE(progress->beginItem("/slow/\xff\xfe.txt"));
    EXPECT_TRUE(progress->advance(500));
    QProgressDialog* dialog = VisibleProgressDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "copy");
    EXPECT_EQ(dialog->labelText(), QString::fromUtf8("/slow/\xef\xbf\xbd\xef\xbf\xbd.txt"));
    QPushButton* cancel = dialog->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), "Cancel");
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(progress->advance(1));
    EXPECT_FALSE(progress->beginItem("/slow/next"));
    progress.reset();
    EXPECT_EQ(VisibleProgressDialog(), nullptr);
}

// Counts the progress dialogs shown anywhere in the program while it lives.
class ShownProgressDialogs final : public QObject {
public:
    ShownProgressDialogs() { qApp->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<QProgressDialog*>(watched))
            ++count;
        return false;
    }
};

// Each question is answered after the user has read it longer than Qt's progress dialog
// waits before showing itself, the event loop running meanwhile: the answer is what happens,
// and no progress window ever comes up over the question or over the quick work after it.
TEST(ProgressDialog, NeverShowsOverAQuestionAndTheAnswerIsWhatHappens)
{
    using platform::MsgResult;
    testfs::TempTree tree;
    tree.File("src/f", "new");
    tree.File("dst/f", "old");
    tree.File("src/d/inner", "moved");
    tree.File("dst/d/kept", "kept");
    tree.File("bin/g", "trashed");
    testsupport::ScriptedMessages boxes;
    const ShownProgressDialogs shown;
    boxes.whileAsked([] { QTest::qWait(4300); });

    boxes.answer(MsgResult::Yes);
    EXPECT_EQ(platform::Copy({tree.Path("src/f")}, tree.Path("dst")), platform::OperationDone);
    EXPECT_EQ(testsupport::readFile(tree.Path("dst/f")), "new");
    boxes.answer(MsgResult::Yes);
    EXPECT_EQ(platform::Move({tree.Path("src/d")}, tree.Path("dst")), platform::OperationDone);
    EXPECT_EQ(testsupport::readFile(tree.Path("dst/d/inner")), "moved");
    EXPECT_EQ(testsupport::readFile(tree.Path("dst/d/kept")), "kept");
    EXPECT_NE(access(tree.Path("src/d").c_str(), F_OK), 0);
    boxes.answer(MsgResult::Yes);
    EXPECT_EQ(platform::Delete({tree.Path("bin/g")}, true), platform::OperationDone);
    EXPECT_NE(access(tree.Path("bin/g").c_str(), F_OK), 0);

    ASSERT_EQ(boxes.texts().size(), 3u);
    EXPECT_TRUE(boxes.texts()[0].ends_with("Replace it with \"" + tree.Path("src/f") + "\"?")) << boxes.texts()[0];
    EXPECT_TRUE(boxes.texts()[1].starts_with("The directory \"" + tree.Path("dst/d") + "\" already exists. Merge"))
        << boxes.texts()[1];
    EXPECT_EQ(boxes.texts()[2], "Move 1 item(s) to the trash?");
    EXPECT_EQ(shown.count, 0);
}

} // namespace
