#include "PanelCommandsFixture.h"
#include "support/ProgramRun.h"
#include "support/gl/GlTestHelpers.h"

#include <QLineEdit>

#include <filesystem>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

// The names an archive holds, one a line, as zipinfo lists them.
std::string Contents(const std::string& archive)
{
    std::string listing;
    EXPECT_EQ(testsupport::runProgram({"zipinfo", "-1", archive}, &listing), 0) << archive;
    return listing;
}

// The names in a directory, sorted.
Texts Names(const std::string& directory)
{
    Texts names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The next zip dialog: its proposal is kept in *proposed; it ends with result, holding the
// text given (the proposal when none).
void AnswerZipDialog(testsupport::ScriptedMessages& boxes, int result, std::string* proposed = nullptr,
                     std::string text = {})
{
    boxes.answerModal(result, [proposed, text](QDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>("dirnameEdit");
        if (proposed)
            *proposed = edit->text().toStdString();
        if (!text.empty())
            edit->setText(QString::fromStdString(text));
    });
}

TEST_F(PanelCommands, ZipProposesAnArchiveInTheSiblingAndPacksTheMarkedNamesByTheirBytes)
{
    tree.File("a/report.txt", "report");
    tree.File("a/-m", "dash");
    tree.File("a/.hidden", "dot");
    tree.File("a/\xff.txt", "bytes");
    tree.File("a/\xef\xbf\xbd.txt", "lookalike");
    Open(tree.Path("a"), tree.Dir("b"));
    std::string proposed;
    Mark(*left, {"report.txt"});
    AnswerZipDialog(boxes, QDialog::Accepted, &proposed);
    left->ZIP1Click();
    EXPECT_EQ(proposed, tree.Path("b/report.zip"));
    EXPECT_EQ(Contents(tree.Path("b/report.zip")), "report.txt\n");
    EXPECT_TRUE(Lists(*right, "report.zip")) << "the sibling shows the new archive";
    Mark(*left, {"\xff.txt"});
    AnswerZipDialog(boxes, QDialog::Accepted, nullptr, tree.Path("b/odd.zip"));
    left->ZIP1Click();
    EXPECT_EQ(Contents(tree.Path("b/odd.zip")), "\xff.txt\n") << "a name that is not text packed by its own bytes";

    Mark(*left, {"-m", ".hidden", ".."});
    AnswerZipDialog(boxes, QDialog::Accepted, &proposed, tree.Path("b/all.zip"));
    left->ZIP1Click();
    EXPECT_EQ(proposed, tree.Path("b/a.zip"));
    EXPECT_EQ(Contents(tree.Path("b/all.zip")), "-m\n.hidden\n");
    EXPECT_EQ(readFile(tree.Path("a/-m")), "dash") << "never zip's move mode";
    EXPECT_EQ(readFile(tree.Path("a/.hidden")), "dot");
    EXPECT_TRUE(boxes.texts().empty());

    const auto packReportOntoAll = [&](MsgResult overwrite) {
        boxes.clear();
        Mark(*left, {"report.txt"});
        AnswerZipDialog(boxes, QDialog::Accepted, nullptr, tree.Path("b/all.zip"));
        boxes.answer(overwrite);
        left->ZIP1Click();
    };
    const std::string before = readFile(tree.Path("b/all.zip"));
    packReportOntoAll(MsgResult::Cancel);
    EXPECT_EQ(boxes.texts(), Texts{tree.Path("b/all.zip") + " file already exists, overwrite?"});
    EXPECT_EQ(readFile(tree.Path("b/all.zip")), before);

    packReportOntoAll(MsgResult::Yes);
    EXPECT_EQ(Contents(tree.Path("b/all.zip")), "report.txt\n") << "replaced, not added to";

    const std::string replaced = readFile(tree.Path("b/all.zip"));
    ASSERT_EQ(unlink(tree.Path("a/report.txt").c_str()), 0);
    packReportOntoAll(MsgResult::Yes);
    EXPECT_EQ(boxes.texts().back(), "compress is unsuccessful");
    EXPECT_EQ(readFile(tree.Path("b/all.zip")), replaced) << "a failed pack keeps the old archive";
    EXPECT_EQ(Names(tree.Path("b")), (Texts{"all.zip", "odd.zip", "report.zip"})) << "and leaves nothing beside it";
}

TEST_F(PanelCommands, ZipNamesSeveralEntriesAfterTheDirectoryOrTheVolumeAndRefusesNothingMarked)
{
    tree.File("a/x", "x");
    Open(tree.Path("a"), tree.Dir("b"));
    Mark(*left, {".."});
    left->ZIP1Click();
    left->unZIP1Click();
    Mark(*left, {"x", ".."});
    right->SetOtherPanel(nullptr);
    left->SetOtherPanel(nullptr);
    left->ZIP1Click();
    EXPECT_EQ(boxes.texts(), (Texts{"No files selected", "No file selected", "other window is not valid"}));

    auto root = MakePanelOn(host, "/");
    root->SetOtherPanel(right.get());
    for (const auto& entry : root->dir.entries)
        entry->selected = entry->name != "..";
    std::string proposed;
    for (const char* volume : {"DATA", ""}) {
        root->dir.volume = volume;
        AnswerZipDialog(boxes, QDialog::Rejected, &proposed);
        root->ZIP1Click();
        EXPECT_EQ(proposed, tree.Path(std::string("b/") + (*volume ? volume : "pelvaxon") + ".zip"));
    }
}

TEST_F(PanelCommands, UnzipMakesTheTargetOnRequestAndOverwritesOnlyWhenAllowed)
{
    tree.File("src/one", "new one");
    ASSERT_EQ(testsupport::runProgram({"zip", "-q", "-j", tree.Path("a/pack.zip"), tree.Path("src/one")}), 0);
    Open(tree.Path("a"), tree.Dir("b"));
    left->ChangeToListingDir();
    left->RefreshListing(false);
    Mark(*left, {"pack.zip"});
    AnswerZipDialog(boxes, QDialog::Accepted, nullptr, tree.Path("b/made"));
    boxes.answer(MsgResult::Yes); // create the directory
    left->unZIP1Click();
    EXPECT_EQ(readFile(tree.Path("b/made/one")), "new one");
    EXPECT_EQ(boxes.texts(), Texts{tree.Path("b/made") + " directory does not exist, try to create?"})
        << "nothing there to overwrite";

    tree.File("b/one", "old one");
    for (MsgResult overwrite : {MsgResult::No, MsgResult::Yes}) {
        boxes.clear();
        Mark(*left, {"pack.zip"});
        std::string proposed;
        AnswerZipDialog(boxes, QDialog::Accepted, &proposed);
        boxes.answer(overwrite);
        left->unZIP1Click();
        EXPECT_EQ(proposed, tree.Path("b") + "/");
        EXPECT_EQ(boxes.texts(), Texts{"overwrite existing files?"});
        EXPECT_EQ(boxes.buttons(), std::vector<platform::MsgButtons>{platform::MsgButtons::YesNoDefaultNo});
        EXPECT_EQ(readFile(tree.Path("b/one")), overwrite == MsgResult::Yes ? "new one" : "old one");
    }

    // Other files in the target are no reason to ask.
    boxes.clear();
    tree.File("b/other", "other");
    ASSERT_EQ(unlink(tree.Path("b/one").c_str()), 0);
    Mark(*left, {"pack.zip"});
    AnswerZipDialog(boxes, QDialog::Accepted);
    left->unZIP1Click();
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(readFile(tree.Path("b/one")), "new one");
}

TEST_F(PanelCommands, UnzipWritesNothingOutsideItsTarget)
{
    tree.Dir("a");
    ASSERT_EQ(testsupport::runProgram({"python3", "-c",
                                       "import sys, zipfile\n"
                                       "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                                       "    z.writestr('../evil', 'evil')\n"
                                       "    z.writestr('/abs', 'abs')\n",
                                       tree.Path("a/evil.zip")}),
              0);
    Open(tree.Path("a"), tree.Dir("x/in"));
    Mark(*left, {"evil.zip", ".."});
    AnswerZipDialog(boxes, QDialog::Accepted);
    left->unZIP1Click();
    EXPECT_FALSE(Exists(tree.Path("x/evil")));
    EXPECT_FALSE(Exists("/abs"));
    EXPECT_EQ(readFile(tree.Path("x/in/evil")), "evil");
    // unzip's warnings about the paths it mended count as a failure; a question there is none.
    EXPECT_EQ(boxes.texts(), Texts{"unZIP is unsuccessful"});
    // The entry lands as "evil", so that is what may be overwritten.
    boxes.clear();
    Mark(*left, {"evil.zip"});
    AnswerZipDialog(boxes, QDialog::Accepted);
    boxes.answer(MsgResult::No);
    left->unZIP1Click();
    EXPECT_EQ(boxes.texts(), (Texts{"overwrite existing files?", "unZIP is unsuccessful"}));

    boxes.clear();
    Mark(*left, {"evil.zip"});
    const std::string deeper = tree.Root() + "/x/missing/deeper";
    AnswerZipDialog(boxes, QDialog::Accepted, nullptr, deeper);
    boxes.answer(MsgResult::Yes);
    left->unZIP1Click();
    EXPECT_EQ(boxes.texts(), (Texts{deeper + " directory does not exist, try to create?",
                                    "Error creating directory " + deeper}));
}

} // namespace
