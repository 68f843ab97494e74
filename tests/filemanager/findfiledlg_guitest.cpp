#include "filemanager/findfiledlg.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include <unistd.h>

namespace {

using Results = std::vector<std::pair<std::string, bool>>; // path below the start, ticked

void Search(TFindFilDlg& dialog, const std::string& dir, const QString& pattern, const QString& text = {},
            bool matchCase = false)
{
    dialog.SetStartDir(dir);
    dialog.FilnamEdit->setText(pattern);
    dialog.TextInFileEdit->setText(text);
    dialog.MatchCaseCheckBox->setChecked(matchCase);
    dialog.FindButtonClick();
}

// Every result as the panel would read it after choosing it, and whether it is ticked.
Results Found(TFindFilDlg& dialog, const std::string& root)
{
    Results found;
    QListView& list = *dialog.FileCheckListBox;
    for (int row = 0; row < list.model()->rowCount(); ++row) {
        const QModelIndex index = list.model()->index(row, 0);
        list.setCurrentIndex(index);
        const auto chosen = dialog.ChosenEntry();
        if (!chosen)
            break;
        EXPECT_EQ(chosen->path.compare(0, root.size() + 1, root + "/"), 0) << chosen->path;
        EXPECT_EQ(chosen->isDirectory, index.data(Qt::CheckStateRole).toInt() == Qt::Checked);
        found.emplace_back(chosen->path.substr(root.size() + 1), chosen->isDirectory);
    }
    list.setCurrentIndex({});
    list.clearSelection();
    return found;
}

std::set<std::string> Names(const Results& results)
{
    std::set<std::string> names;
    for (const auto& result : results)
        names.insert(result.first);
    return names;
}

// What a shell command prints, one entry per line, each without the prefix.
std::set<std::string> LinesOf(const std::string& command, const std::string& prefix)
{
    std::set<std::string> lines;
    FILE* output = ::popen(command.c_str(), "r");
    EXPECT_NE(output, nullptr) << command;
    if (!output)
        return lines;
    char line[4096];
    while (std::fgets(line, sizeof line, output)) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        EXPECT_EQ(text.compare(0, prefix.size(), prefix), 0) << text;
        lines.insert(text.substr(prefix.size()));
    }
    ::pclose(output);
    return lines;
}

// A tree of the shape every walk test uses.
void MakeSmallTree(const testfs::TempTree& tree)
{
    tree.File("a.txt", "alpha NEEDLE");
    tree.File("b/b1.txt", "in b: needle");
    tree.File("b/c/c1.txt", "nothing here");
    tree.File("d", "no extension, Needle");
    tree.Dir("b/e");
}

// Everything in that tree: deeper results first, directories ticked.
const Results smallTreeAll{{"b/c/c1.txt", false}, {"b/b1.txt", false}, {"b/c", true}, {"b/e", true},
                           {"a.txt", false},      {"b", true},         {"d", false}};

} // namespace

TEST(FindFilDlg, OpensCentredWithTheNameFocusedAndKeepsTheStartDirAsBytes)
{
    TFindFilDlg dialog;
    EXPECT_TRUE(dialog.FindButton->isDefault());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(QApplication::focusWidget(), dialog.FilnamEdit);
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((dialog.frameGeometry().center() - screen.center()).manhattanLength(), 4);
    dialog.resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(dialog.FileCheckListBox->width(), 695);

    const std::string name = "/tmp/caf\xe9";
    dialog.SetStartDir(name);
    EXPECT_EQ(dialog.StartDir(), name);
    dialog.DrvDirEdit->setText("/srv/café");
    EXPECT_EQ(dialog.StartDir(), "/srv/caf\xc3\xa9");
}

TEST(FindFilDlg, FindsByNameAndByTextWithOrWithoutCase)
{
    testfs::TempTree tree;
    MakeSmallTree(tree);
    testsupport::ScriptedMessages messages;
    TFindFilDlg dialog;
    Search(dialog, tree.Root(), "*");
    EXPECT_EQ(Found(dialog, tree.Root()), smallTreeAll);
    EXPECT_EQ(dialog.windowTitle(), "file:4, directory:3, skipped:0");
    EXPECT_TRUE(messages.texts().empty());

    // An empty pattern becomes "*.*", which takes names without a dot too.
    Search(dialog, tree.Root() + "/", "");
    EXPECT_EQ(dialog.FilnamEdit->text(), "*.*");
    EXPECT_EQ(Found(dialog, tree.Root()), smallTreeAll);

    Search(dialog, tree.Root(), "?1.TXT");
    EXPECT_EQ(Found(dialog, tree.Root()), (Results{{"b/c/c1.txt", false}, {"b/b1.txt", false}}));
    EXPECT_EQ(dialog.windowTitle(), "file:2, directory:0, skipped:0");

    // A text finds files only.
    Search(dialog, tree.Root(), "*", "needle");
    EXPECT_EQ(Found(dialog, tree.Root()), (Results{{"b/b1.txt", false}, {"a.txt", false}, {"d", false}}));
    EXPECT_EQ(dialog.windowTitle(), "file:3, directory:0, skipped:0");
    Search(dialog, tree.Root(), "*", "Needle", true);
    EXPECT_EQ(Found(dialog, tree.Root()), (Results{{"d", false}}));
    Search(dialog, tree.Root(), "*", "e"); // every file but c1.txt's "nothing here" has one
    EXPECT_EQ(dialog.FileCount(), 4);
    EXPECT_EQ(dialog.DirCount(), 0);
    EXPECT_TRUE(messages.texts().empty());

    Search(dialog, tree.Root(), "*", QString(500, 'x'));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"too long search string"});
    EXPECT_EQ(dialog.FileCheckListBox->model()->rowCount(), 0);
    EXPECT_EQ(dialog.windowTitle(), "file:0, directory:0, skipped:0");
    tree.File("long.txt", std::string(499, 'x'));
    Search(dialog, tree.Root(), "*", QString(499, 'X'));
    EXPECT_EQ(Found(dialog, tree.Root()), (Results{{"long.txt", false}}));
}

TEST(FindFilDlg, LoopsEndAndFifosAreNeverOpened)
{
    testfs::TempTree tree;
    tree.File("sub/file.txt", "text");
    tree.Link("..", "sub/up");
    tree.Link(".", "self");
    tree.Fifo("sub/pipe");
    tree.Link(tree.Root() + "/sub/pipe", "pipe-link");
    tree.Link(tree.Root() + "/sub/file.txt", "file-link");
    testsupport::ScriptedMessages messages;
    TFindFilDlg dialog;
    ::alarm(20); // a blocked open() cannot be interrupted from inside: the signal ends the program
    Search(dialog, tree.Root(), "*", "text");
    ::alarm(0);
    // A link to a regular file is searched; links are never walked into.
    EXPECT_EQ(Found(dialog, tree.Root()), (Results{{"sub/file.txt", false}, {"file-link", false}}));
    Search(dialog, tree.Root(), "*");
    EXPECT_EQ(Found(dialog, tree.Root()), (Results{{"sub/file.txt", false},
                                                   {"sub/pipe", false},
                                                   {"sub/up", true},
                                                   {"file-link", false},
                                                   {"pipe-link", false},
                                                   {"self", true},
                                                   {"sub", true}}));
    EXPECT_TRUE(messages.texts().empty());
}

TEST(FindFilDlg, UnreadableEntriesBelowTheStartAreSkippedAndCounted)
{
    testfs::TempTree tree;
    tree.File("locked/inside.txt", "text");
    tree.File("open/readable.txt", "text");
    tree.File("open/secret.txt", "text");
    tree.Chmod("", 0755);
    tree.Chmod("locked", 0);
    tree.Chmod("open/secret.txt", 0);
    testsupport::ScriptedMessages messages;
    TFindFilDlg dialog;
    const testfs::AsNobody nobody;
    Search(dialog, tree.Root(), "*.txt", "text");
    EXPECT_EQ(Found(dialog, tree.Root()), (Results{{"open/readable.txt", false}}));
    EXPECT_EQ(dialog.windowTitle(), "file:1, directory:0, skipped:2");
    EXPECT_TRUE(messages.texts().empty());

    Search(dialog, tree.Root() + "/locked", "*");
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"cannot change to dir: " + tree.Root() + "/locked/"});
    EXPECT_EQ(dialog.windowTitle(), "file:0, directory:0, skipped:0");
    messages.clear();
    Search(dialog, tree.Root() + "/missing", "*");
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"cannot change to dir: " + tree.Root() + "/missing/"});
}

TEST(FindFilDlg, NamesThatAreNotTextAreFoundAndChosenAsBytes)
{
    testfs::TempTree tree;
    tree.File("caf\xe9/r\xe9sum\xe9.txt", "caf\xe9");
    testsupport::ScriptedMessages messages;
    TFindFilDlg dialog;
    Search(dialog, tree.Root(), "r?sum?.*", "caf\xc3\xa9");
    EXPECT_TRUE(Found(dialog, tree.Root()).empty()); // the text is UTF-8, the file's byte is not
    Search(dialog, tree.Root(), "r?sum?.*", "CAF");
    ASSERT_EQ(Found(dialog, tree.Root()), (Results{{"caf\xe9/r\xe9sum\xe9.txt", false}}));

    Search(dialog, tree.Root(), "*");
    EXPECT_EQ(Found(dialog, tree.Root()), (Results{{"caf\xe9/r\xe9sum\xe9.txt", false}, {"caf\xe9", true}}));
}

TEST(FindFilDlg, CancelStopsAtOnceKeepsTheResultsAndNothingElseInterferes)
{
    testfs::TempTree tree;
    for (int i = 0; i < 5; ++i)
        tree.File("a/found" + std::to_string(i), "needle");
    // Holes read as zeros quickly, yet searching gigabytes of them takes seconds.
    for (int i = 0; i < 48; ++i)
        tree.Sparse("b/" + std::to_string(i / 8) + "/big" + std::to_string(i), std::int64_t(64) << 20);
    testsupport::ScriptedMessages messages;
    TFindFilDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.SetStartDir(tree.Root());
    dialog.FilnamEdit->setText("*");
    dialog.TextInFileEdit->setText("needle");

    using Clock = std::chrono::steady_clock;
    constexpr std::chrono::milliseconds cancelAfter(150);
    bool timerRan = false;
    int rowsBeforeEnter = -1;
    int rowsAfterEnter = -1;
    bool searchingAfterEsc = false;
    QTimer::singleShot(cancelAfter, &dialog, [&] {
        timerRan = true;
        rowsBeforeEnter = dialog.FileCheckListBox->model()->rowCount();
        QTest::keyClick(dialog.TextInFileEdit, Qt::Key_Return);
        rowsAfterEnter = dialog.FileCheckListBox->model()->rowCount();
        QTest::keyClick(&dialog, Qt::Key_Escape); // stops like Cancel, the dialog stays
        searchingAfterEsc = dialog.Searching();
    });
    const Clock::time_point started = Clock::now();
    dialog.FindButtonClick();
    const auto searched = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);

    ASSERT_TRUE(timerRan) << "the search ended before the timer";
    // From the moment the timer was due: event processing waits for the walk's next turn.
    std::printf("searched %lld ms, Cancel was due after %lld ms\n", static_cast<long long>(searched.count()),
                static_cast<long long>(cancelAfter.count()));
    EXPECT_LT((searched - cancelAfter).count(), 200);
    EXPECT_EQ(rowsBeforeEnter, 5);
    EXPECT_EQ(rowsAfterEnter, 5);
    EXPECT_TRUE(searchingAfterEsc);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.Searching());
    EXPECT_TRUE(dialog.FindButton->isEnabled());
    EXPECT_EQ(dialog.FileCheckListBox->model()->rowCount(), 5);
    EXPECT_EQ(dialog.windowTitle(), "file:5, directory:0, skipped:0");
    EXPECT_TRUE(messages.texts().empty());

    // At rest, Cancel closes the dialog.
    QTest::mouseClick(dialog.CancelBtn, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(FindFilDlg, TicksStayAndGoToWantsASelection)
{
    testfs::TempTree tree;
    MakeSmallTree(tree);
    testsupport::ScriptedMessages messages;
    TFindFilDlg dialog;
    Search(dialog, tree.Root(), "*");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QListView& list = *dialog.FileCheckListBox;

    QTest::mouseClick(dialog.GoToBtn, Qt::LeftButton);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"select a file/dir"});
    EXPECT_TRUE(dialog.isVisible());

    // Clicks on a tick box and Space on an item leave every tick as the search set it.
    for (int row = 0; row < list.model()->rowCount(); ++row) {
        const QRect rect = list.visualRect(list.model()->index(row, 0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(rect.left() + 8, rect.center().y()));
        QTest::keyClick(&list, Qt::Key_Space);
    }
    EXPECT_EQ(Found(dialog, tree.Root()), smallTreeAll);

    dialog.hide();
    QTimer::singleShot(0, &dialog, [&] {
        list.setCurrentIndex(list.model()->index(2, 0));
        QTest::mouseClick(dialog.GoToBtn, Qt::LeftButton);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    const auto chosen = dialog.ChosenEntry();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->path, tree.Root() + "/b/c");
    EXPECT_TRUE(chosen->isDirectory);
    EXPECT_EQ(messages.texts().size(), 1u);
}

TEST(FindFilDlg, FindsWhatFindAndGrepFind)
{
    testfs::TempTree tree;
    std::mt19937 random(19);
    const std::string letters = "aAbB1x._-";
    const auto word = [&](std::size_t length) {
        std::string text;
        while (text.size() < length)
            text += letters[random() % letters.size()];
        return text;
    };
    std::vector<std::string> dirs{""};
    for (int i = 0; i < 40; ++i)
        dirs.push_back(dirs[random() % dirs.size()] + "d" + word(3) + "/");
    for (int i = 0; i < 400; ++i) {
        std::string content = word(200);
        if (random() % 3 == 0)
            content.insert(random() % content.size(), random() % 2 ? "Needle" : "needle");
        const std::string name = word(1 + random() % 6);
        if (name != "." && name != "..")
            tree.File(dirs[random() % dirs.size()] + name, content);
    }
    for (const std::string& dir : dirs)
        tree.Dir(dir);
    testsupport::ScriptedMessages messages;
    TFindFilDlg dialog;
    const std::string root = tree.Root() + "/";
    for (const char* pattern : {"*a?1*", "*.b*", "?", "*X*", "d*"}) {
        Search(dialog, tree.Root(), pattern);
        EXPECT_EQ(Names(Found(dialog, tree.Root())),
                  LinesOf("find '" + tree.Root() + "' -mindepth 1 -iname '" + pattern + "'", root))
            << pattern;
    }
    Search(dialog, tree.Root(), "*", "Needle", true);
    EXPECT_EQ(Names(Found(dialog, tree.Root())), LinesOf("LC_ALL=C grep -rlF Needle '" + tree.Root() + "'", root));
    Search(dialog, tree.Root(), "*", "nEEDLE");
    EXPECT_EQ(Names(Found(dialog, tree.Root())), LinesOf("LC_ALL=C grep -rliF nEEDLE '" + tree.Root() + "'", root));
    EXPECT_GT(dialog.FileCount(), 100);
    EXPECT_TRUE(messages.texts().empty());
}
