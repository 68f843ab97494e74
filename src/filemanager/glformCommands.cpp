// The panel's commands that change files: delete, copy, move, rename and make directory.
#include "filemanager/CommandInProgress.h"
#include "filemanager/glform.h"
#include "filemanager/newdirdial.h"
#include "filemanager/renamdial.h"
#include "platform/fs/Path.h"
#include "platform/fs/RenameNoReplace.h"
#include "platform/shell/FileOperation.h"
#include "platform/ui/MessageService.h"

#include <QStatusBar>

#include <sys/stat.h>

std::vector<std::string> Tglfr::MarkedNames() const
{
    std::vector<std::string> names;
    for (const auto& entry : dir.entries) {
        if (entry->selected && entry->name != "..")
            names.push_back(entry->name);
    }
    return names;
}

std::vector<std::string> Tglfr::MarkedPaths() const
{
    std::vector<std::string> paths = MarkedNames();
    for (std::string& path : paths)
        path = platform::JoinPath(dir.path, path);
    return paths;
}

void Tglfr::EndFileCommand()
{
    ChangeToListingDir();
    RefreshListing(true);
    StatusBar1->clearMessage();
}

void Tglfr::DeleteMarked(bool permanent)
{
    const CommandInProgress running;
    if (!ChangeToListingDir())
        return;
    const std::vector<std::string> paths = MarkedPaths();
    if (paths.empty())
        return;
    if (platform::Delete(paths, !permanent) != platform::OperationDone)
        platform::ShowMessage("unsuccessful deletion");
    EndFileCommand();
}

void Tglfr::TransferMarked(int (*operation)(const std::vector<std::string>&, const std::string&),
                           const std::string& targetDir, const char* noneMarked, const char* failed)
{
    const CommandInProgress running;
    if (!ChangeToListingDir())
        return;
    const std::vector<std::string> paths = MarkedPaths();
    if (paths.empty()) {
        platform::ShowMessage(noneMarked);
        return;
    }
    if (operation(paths, targetDir) != platform::OperationDone)
        platform::ShowMessage(failed);
    EndFileCommand();
}

void Tglfr::CopyMarked(std::string targetDir)
{
    TransferMarked(&platform::Copy, targetDir, "No file selected", "unsuccessful copy");
}

void Tglfr::MoveMarked(std::string targetDir)
{
    TransferMarked(&platform::Move, targetDir, "No files selected", "unsuccessful move");
}

void Tglfr::RenameMarked()
{
    const CommandInProgress running;
    const std::vector<std::string> marked = MarkedNames();
    if (marked.size() > 1) {
        platform::ShowMessage("select one item only");
        return;
    }
    if (marked.empty()) {
        platform::ShowMessage("No files selected");
        return;
    }
    const std::string& oldName = marked.front();
    TRenameDlg dialog(this);
    dialog.SetOldName(oldName);
    if (!ChangeToListingDir())
        return;
    if (platform::messages().runModal(dialog) != QDialog::Accepted)
        return;
    if (platform::RenameNoReplace(oldName, dialog.NewName()) != 0)
        platform::ShowMessage("unsuccessful rename: " + oldName);
    EndFileCommand();
}

void Tglfr::MakeDirectory()
{
    const CommandInProgress running;
    TMakedirDlg dialog(this);
    if (platform::messages().runModal(dialog) != QDialog::Accepted)
        return;
    if (!ChangeToListingDir())
        return;
    if (mkdir(dialog.NewDirName().c_str(), 0777) != 0)
        platform::ShowMessage("unsuccessful directory creation");
    EndFileCommand();
}
