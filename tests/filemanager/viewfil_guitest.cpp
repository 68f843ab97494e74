#include "filemanager/FindDialog.h"
#include "filemanager/dir.h"
#include "filemanager/viewfil.h"
#include "platform/fs/OpenRegularFile.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <unistd.h>

namespace {

class RecordingTitle : public TitleBar {
public:
    std::string Title() const override { return titles.empty() ? "" : titles.back(); }
    void SetTitle(const std::string& title) override { titles.push_back(title); }
    std::vector<std::string> titles;
};

// A viewer as the panel makes one; it frees itself when closed, else the test frees it.
struct Viewer {
    explicit Viewer(TitleBar* title = nullptr) : form(new TViewForm(nullptr, title)) {}
    ~Viewer() { delete form; }
    TViewForm* operator->() const { return form; }
    QPointer<TViewForm> form;
};

QString Caption(const Viewer& viewer) { return viewer->windowTitle(); }
QString Shown(const Viewer& viewer) { return viewer->Editor->toPlainText(); }

void KeyUp(const Viewer& viewer, Qt::Key key) { QTest::keyClick(viewer->Editor, key); }

// The selection after a find, as start and length; "Not found" leaves it where it was.
std::pair<int, int> FindNext(const Viewer& viewer)
{
    KeyUp(viewer, Qt::Key_F3);
    const QTextCursor cursor = viewer->Editor->textCursor();
    return {cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
}

std::vector<int> MatchStarts(const Viewer& viewer, testsupport::ScriptedMessages& messages)
{
    viewer->Editor->setTextCursor(QTextCursor(viewer->Editor->document()));
    messages.clear();
    std::vector<int> starts;
    while (messages.texts().empty() && starts.size() < 10) {
        const auto [start, length] = FindNext(viewer);
        if (messages.texts().empty())
            starts.push_back(start);
    }
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Not found"});
    return starts;
}

void ScrollToTheEnd(const Viewer& viewer)
{
    for (int round = 0; round < 1000 && viewer->MoreToShow(); ++round) {
        QScrollBar* bar = viewer->Editor->verticalScrollBar();
        bar->setValue(bar->maximum());
        QApplication::processEvents();
    }
}

TEST(TViewForm, ShowsHexPagesInAFixedFontWithTheMenuOffAndTheCountInTheMainCaption)
{
    testfs::TempTree tree;
    const std::string file = tree.File("dir/seventeen.bin", "ABCDEFGHIJKLMNO\x01Q");
    RecordingTitle mainTitle;
    Viewer viewer(&mainTitle);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(viewer->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    viewer->LoadFile(file, ".bin", 1);

    EXPECT_EQ(Caption(viewer), "Pelvaxon: seventeen.bin");
    const QStringList lines = Shown(viewer).split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0],
              QString::fromUtf8("00000000  41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 01  ABCDEFGHIJKLMNO·"));
    EXPECT_EQ(lines[1].mid(60), "Q");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(mainTitle.titles.back(), "17");

    EXPECT_FALSE(viewer->View1->menuAction()->isEnabled());
    const QFontMetrics metrics(viewer->Editor->font());
    for (const QChar wide : {u'W', u'\u00B7', u'\u00E9'})
        EXPECT_EQ(metrics.horizontalAdvance(wide), metrics.horizontalAdvance(u'i'));
    KeyUp(viewer, Qt::Key_F3);
    EXPECT_FALSE(viewer->FindDialog1->isVisible());
}

TEST(TViewForm, ShowsBinaryPagesAndTextAsUtf8WhenValidElseAsLatin1)
{
    testfs::TempTree tree;
    const std::string file = tree.File("notes.txt", "hi\r\nthere\rend\n");
    Viewer binary;
    binary->LoadFile(file, ".txt", 2);
    EXPECT_EQ(Shown(binary), QString::fromUtf8("hi··there·end·\n"));
    EXPECT_FALSE(binary->View1->menuAction()->isEnabled());

    Viewer hex;
    hex->LoadFile(file, ".txt", 1);
    EXPECT_TRUE(Shown(hex).startsWith("00000000  68 69 0D 0A 74"));

    // CR LF and a lone CR both break a line of text.
    Viewer text;
    text->LoadFile(file, ".txt", 0);
    EXPECT_EQ(Shown(text), "hi\nthere\nend\n");
    EXPECT_TRUE(text->View1->menuAction()->isEnabled());

    Viewer utf8;
    utf8->LoadFile(tree.File("utf8.txt", "caf\xc3\xa9 \xe2\x82\xac"), ".txt", 0);
    EXPECT_EQ(Shown(utf8), QString::fromUtf8("café €"));
    Viewer latin1;
    latin1->LoadFile(tree.File("latin1.txt", "caf\xe9 \xc3\xa9"), ".txt", 0);
    EXPECT_EQ(Shown(latin1), QString::fromUtf8("café Ã©"));
}

TEST(TViewForm, BreaksOnlyLinesTooLongToLayOutQuickly)
{
    testfs::TempTree tree;
    const int longest = 1024;
    const std::string fits(longest, 'x');
    Viewer viewer;
    viewer->LoadFile(tree.File("long.txt", fits + "\n" + std::string(2 * longest + 5, 'y') + "\r\nend"), ".txt", 0);
    QStringList lines;
    for (QTextBlock block = viewer->Editor->document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    EXPECT_EQ(lines, (QStringList{QString::fromStdString(fits), QString(longest, 'y'), QString(longest, 'y'),
                                  QString(5, 'y'), "end"}));

    // A file of zeros is one line of its whole length.
    Viewer zeros;
    zeros->LoadFile(tree.Sparse("zeros.img", 256 * longest), ".img", 0);
    ScrollToTheEnd(zeros);
    EXPECT_FALSE(zeros->MoreToShow());
    EXPECT_EQ(zeros->Editor->blockCount(), 256);
}

TEST(TViewForm, FindsNextMatchesWithCaseAndWholeWordsAndSaysNotFoundPastTheLast)
{
    testfs::TempTree tree;
    testsupport::ScriptedMessages messages;
    Viewer viewer;
    viewer->LoadFile(tree.File("words.txt", "one two One twoone one\n"), ".txt", 0);

    KeyUp(viewer, Qt::Key_F3);
    EXPECT_TRUE(viewer->FindDialog1->isVisible());
    EXPECT_FALSE(viewer->findDismissed);
    EXPECT_EQ(viewer->FindDialog1->pos(), viewer->Editor->mapToGlobal(QPoint(0, 0)));
    EXPECT_FALSE(viewer->FindDialog1->FindNextBtn->isEnabled());
    viewer->FindDialog1->FindEdit->setText("one");
    EXPECT_TRUE(viewer->FindDialog1->FindNextBtn->isEnabled());

    EXPECT_EQ(MatchStarts(viewer, messages), (std::vector<int>{0, 8, 15, 19}));
    EXPECT_EQ(viewer->Editor->textCursor().selectedText(), "one");
    viewer->FindDialog1->MatchCaseBox->setChecked(true);
    EXPECT_EQ(MatchStarts(viewer, messages), (std::vector<int>{0, 15, 19}));
    viewer->FindDialog1->WholeWordBox->setChecked(true);
    EXPECT_EQ(MatchStarts(viewer, messages), (std::vector<int>{0, 19}));
    viewer->FindDialog1->MatchCaseBox->setChecked(false);
    EXPECT_EQ(MatchStarts(viewer, messages), (std::vector<int>{0, 8, 19}));

    // The box's own button finds from the selection on.
    viewer->Editor->setTextCursor(QTextCursor(viewer->Editor->document()));
    QTest::mouseClick(viewer->FindDialog1->FindNextBtn, Qt::LeftButton);
    QTest::mouseClick(viewer->FindDialog1->FindNextBtn, Qt::LeftButton);
    EXPECT_EQ(viewer->Editor->textCursor().selectionStart(), 8);
}

TEST(TViewForm, FindMatchesTheFilesTextWhereTheViewBreaksALongLine)
{
    testfs::TempTree tree;
    testsupport::ScriptedMessages messages;
    Viewer viewer;
    // The view breaks each line after 1024 characters: inside "NEEDLE", right before the
    // "word" glued to the c's, and inside the whole word " word ".
    viewer->LoadFile(tree.File("long.txt", std::string(1020, 'a') + "NEEDLE" + std::string(1000, 'b') + "\n"
                                               + std::string(1024, 'c') + "word\n" + std::string(1021, 'd')
                                               + " word tail\n"),
                     ".txt", 0);
    ASSERT_EQ(viewer->Editor->blockCount(), 7);
    viewer->FindDialog1->FindEdit->setText("NEEDLE");
    EXPECT_EQ(MatchStarts(viewer, messages), std::vector<int>{1020});
    EXPECT_EQ(viewer->Editor->textCursor().selectionEnd(), 1027);
    EXPECT_EQ(viewer->Editor->textCursor().selectedText(), QString("NEED") + QChar::ParagraphSeparator + "LE");

    viewer->FindDialog1->FindEdit->setText("word");
    EXPECT_EQ(MatchStarts(viewer, messages), (std::vector<int>{3053, 4080}));
    viewer->FindDialog1->WholeWordBox->setChecked(true);
    EXPECT_EQ(MatchStarts(viewer, messages), std::vector<int>{4080});
}

TEST(TViewForm, EscDismissesTheFindFirstThenClosesAndFreesTheViewer)
{
    testfs::TempTree tree;
    Viewer viewer;
    viewer->LoadFile(tree.File("a.txt", "abc"), ".txt", 0);
    viewer->find1->trigger();
    viewer->FindDialog1->FindEdit->setText("b");
    KeyUp(viewer, Qt::Key_Escape);
    ASSERT_FALSE(viewer.form.isNull());
    EXPECT_TRUE(viewer->findDismissed);
    EXPECT_FALSE(viewer->FindDialog1->isVisible());
    EXPECT_TRUE(viewer->isVisible());
    KeyUp(viewer, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(viewer.form.isNull());

    // Without a find text the first Esc closes.
    Viewer plain;
    plain->find1->trigger();
    KeyUp(plain, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(plain.form.isNull());
}

TEST(TViewForm, TakesItsFontFromThePickerAndTogglesWrapping)
{
    testsupport::ScriptedMessages messages;
    Viewer viewer;
    const QFont before = viewer->Editor->font();
    viewer->font1->trigger(); // cancelled
    EXPECT_EQ(viewer->Editor->font(), before);
    messages.answerFont(QFont("DejaVu Serif", 15));
    viewer->font1->trigger();
    EXPECT_EQ(viewer->Editor->font().family(), "DejaVu Serif");
    EXPECT_EQ(viewer->Editor->font().pointSize(), 15);

    viewer->wordwrap1->trigger();
    EXPECT_EQ(viewer->Editor->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    viewer->wordwrap1->trigger();
    EXPECT_EQ(viewer->Editor->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST(TViewForm, ShowsNothingOfAFifoOrADirectoryNeverBlocksAndKeepsWhatWasReadBeforeAnError)
{
    testfs::TempTree tree;
    Viewer viewer;
    alarm(20); // a blocking open would end the test program here
    viewer->LoadFile(tree.Fifo("pipe"), "", 0);
    alarm(0);
    EXPECT_EQ(Caption(viewer), "Pelvaxon: pipe (not a regular file)");
    EXPECT_TRUE(Shown(viewer).isEmpty());
    viewer->LoadFile(tree.Dir("folder"), "", 1);
    EXPECT_EQ(Caption(viewer), "Pelvaxon: folder (not a regular file)");
    EXPECT_TRUE(Shown(viewer).isEmpty());

    try {
        viewer->LoadFile(tree.Path("gone.txt"), ".txt", 0);
        ADD_FAILURE() << "a missing file opened";
    } catch (const platform::FileOpenError& error) {
        EXPECT_NE(std::string(error.what()).find("gone.txt"), std::string::npos) << error.what();
    }

    // Reading a process's memory at address 0 fails with EIO.
    viewer->LoadFile("/proc/self/mem", "", 1);
    EXPECT_EQ(Caption(viewer), "Pelvaxon: mem (read error)");
    EXPECT_TRUE(Shown(viewer).isEmpty());
}

TEST(TViewForm, CutsAFileAtTheLimitWithoutSplittingACharacter)
{
    testfs::TempTree tree;
    Viewer hex;
    hex->loadLimit = 1000;
    hex->LoadFile(tree.File("big.bin", std::string(2000, 'x')), ".bin", 1);
    EXPECT_EQ(Caption(hex), "Pelvaxon: big.bin (truncated)");
    EXPECT_EQ(Shown(hex).count('\n'), 63);

    std::string accents;
    for (int i = 0; i < 600; ++i)
        accents += "\xc3\xa9";
    Viewer text;
    text->loadLimit = 1001;
    text->LoadFile(tree.File("accents.txt", accents), ".txt", 0);
    EXPECT_EQ(Caption(text), "Pelvaxon: accents.txt (truncated)");
    EXPECT_EQ(Shown(text), QString(500, QChar(0xE9)));

    Viewer exact;
    exact->loadLimit = 2000;
    exact->LoadFile(tree.Path("big.bin"), ".bin", 2);
    EXPECT_EQ(Caption(exact), "Pelvaxon: big.bin");
}

TEST(TViewForm, PutsALargeFileIntoTheEditorAsTheViewNearsTheEnd)
{
    testfs::TempTree tree;
    RecordingTitle mainTitle;
    Viewer viewer(&mainTitle);
    viewer->LoadFile(tree.File("large.bin", std::string(1 << 20, 'z')), ".bin", 1);
    EXPECT_TRUE(viewer->MoreToShow());
    EXPECT_LT(viewer->Editor->blockCount(), 65536 / 4);
    ScrollToTheEnd(viewer);
    EXPECT_FALSE(viewer->MoreToShow());
    EXPECT_EQ(viewer->Editor->blockCount(), 65536 + 1);
    EXPECT_TRUE(viewer->Editor->document()->findBlockByNumber(65535).text().startsWith("000FFFF0  7A"));
    EXPECT_EQ(mainTitle.titles.back(), "1048576");
}

TEST(TViewForm, FindReachesTextNotYetShownAndKeepsWholeWordsWhole)
{
    testfs::TempTree tree;
    testsupport::ScriptedMessages messages;
    std::string lines;
    for (int i = 0; i < 100000; ++i)
        lines += "line " + std::to_string(i) + "\n";
    Viewer viewer;
    viewer->LoadFile(tree.File("long.txt", lines + "needle\n"), ".txt", 0);
    ASSERT_TRUE(viewer->MoreToShow());
    viewer->FindDialog1->FindEdit->setText("needle");
    FindNext(viewer);
    EXPECT_TRUE(messages.texts().empty());
    EXPECT_EQ(viewer->Editor->textCursor().selectedText(), "needle");
    EXPECT_EQ(viewer->Editor->textCursor().blockNumber(), 100000);

    // One line of several pieces, "NEEDLE" broken by the view past the first of them.
    Viewer oneLine;
    oneLine->LoadFile(tree.File("one-line.txt", std::string(1022 + 1024 * 195, 'x') + "NEEDLE"), ".txt", 0);
    ASSERT_TRUE(oneLine->MoreToShow());
    oneLine->FindDialog1->FindEdit->setText("needle");
    FindNext(oneLine);
    EXPECT_TRUE(messages.texts().empty());
    EXPECT_EQ(oneLine->Editor->textCursor().selectedText(), QString("NE") + QChar::ParagraphSeparator + "EDLE");

    // A line longer than a piece, cut right after "needle" of "needlex" (not where the
    // display breaks the line: its characters take three bytes each).
    const std::size_t piece = 64 * 1024;
    std::string euros;
    for (std::size_t i = 0; i < (piece - 7) / 3; ++i)
        euros += "\xe2\x82\xac";
    ASSERT_EQ(euros.size() + 7, piece);
    Viewer cut;
    cut->LoadFile(tree.File("cut.txt", euros + " needlex tail\n"), ".txt", 0);
    cut->FindDialog1->FindEdit->setText("needle");
    cut->FindDialog1->WholeWordBox->setChecked(true);
    FindNext(cut);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Not found"});
}

} // namespace
