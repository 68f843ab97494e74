// Packing the marked entries into a zip archive and unpacking one, with the zip and unzip
// programs; only their exit status counts.
#include "filemanager/CommandInProgress.h"
#include "filemanager/glform.h"
#include "filemanager/zipdial.h"
#include "platform/base/FileDescriptor.h"
#include "platform/fs/CurrentDir.h"
#include "platform/fs/Path.h"
#include "platform/shell/RunProgram.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/MessageService.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Exists(const std::string& path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

bool IsDirectory(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool Confirmed(const std::string& question)
{
    return platform::MessageDlg(question, platform::MsgButtons::YesCancel) == platform::MsgResult::Yes;
}

std::string UpToLastDot(const std::string& name)
{
    return name.substr(0, name.rfind('.'));
}

// Whether the program could be written to a new file of that name: made and removed again.
bool CanCreate(const std::string& path)
{
    const platform::FileDescriptor probe(open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666));
    if (!probe)
        return false;
    unlink(path.c_str());
    return true;
}

// A name typed into the dialog is taken in the panel's directory.
std::string InDirectory(const std::string& directory, const std::string& typed)
{
    return !typed.empty() && typed.front() == '/' ? typed : platform::JoinPath(directory, typed);
}

void UnmarkParent(Tdir& dir)
{
    for (const auto& entry : dir.entries) {
        if (entry->name == "..")
            entry->selected = false;
    }
}

// The archive's name without ".zip": the one entry's up to its last dot; for several, the
// directory's, or at the root the volume label, else "pelvaxon".
std::string ProposedArchiveBase(const std::vector<std::string>& names, const Tdir& dir)
{
    if (names.size() == 1)
        return UpToLastDot(names.front());
    const std::string last = platform::FileNameOf(dir.path);
    const std::string base = last.empty() ? dir.volume : UpToLastDot(last);
    return base.empty() ? "pelvaxon" : base;
}

// Makes a missing directory once the user agrees; false, said why, when not made.
bool MadeDirectory(const std::string& directory)
{
    if (!Confirmed(directory + " directory does not exist, try to create?"))
        return false;
    if (mkdir(directory.c_str(), 0777) != 0) {
        platform::ShowMessage("Error creating directory " + directory);
        return false;
    }
    return true;
}

// A free name beside the archive for zip to write a replacement under; "" when there is none.
std::string TemporaryBeside(const std::string& archive)
{
    std::string name = platform::JoinPath(platform::DirectoryOf(archive), ".pelvaxon-XXXXXX.zip");
    const platform::FileDescriptor made(mkstemps(name.data(), 4));
    if (!made)
        return {};
    // zip takes an existing file for an archive to add to.
    unlink(name.c_str());
    return name;
}

// Where zip is to write the archive, once the user agreed to what that needs: a new archive
// under its own name; a replacement under a temporary name, so that the old archive stays
// until the new one is whole. Nothing, said why, when it cannot be written.
std::optional<std::string> PrepareArchive(const std::string& archive)
{
    if (Exists(archive)) {
        if (!Confirmed(archive + " file already exists, overwrite?"))
            return std::nullopt;
        if (IsDirectory(archive)) {
            platform::ShowMessage("Error deleting zipfile");
            return std::nullopt;
        }
        const std::string temporary = TemporaryBeside(archive);
        if (temporary.empty())
            platform::ShowMessage("Error creating zipfile");
        return temporary.empty() ? std::nullopt : std::optional<std::string>(temporary);
    }
    const std::string directory = platform::DirectoryOf(archive);
    if (!IsDirectory(directory) && !MadeDirectory(directory))
        return std::nullopt;
    if (!CanCreate(archive)) {
        platform::ShowMessage("Error creating zipfile");
        return std::nullopt;
    }
    return archive;
}

// Where unzip puts an entry of that name: "." and ".." components and leading "/" left out.
// Empty for a directory, which unzip merges into whatever is there.
std::string ExtractedName(const std::string& entry)
{
    if (entry.empty() || entry.back() == '/')
        return {};
    std::string name;
    for (std::size_t start = 0; start <= entry.size();) {
        const std::size_t end = std::min(entry.find('/', start), entry.size());
        const std::string part = entry.substr(start, end - start);
        if (!part.empty() && part != "." && part != "..")
            name = name.empty() ? part : name + "/" + part;
        start = end + 1;
    }
    return name;
}

// Whether unzipping the archive into the directory would meet a file already there, from the
// names unzip lists for it (bytes, one a line). An archive it cannot list meets nothing: its
// extraction fails, and says so.
bool MeetsExistingFiles(const std::string& archive, const std::string& directory)
{
    const platform::BusyCursor busy;
    std::string listing;
    if (platform::RunProgramForOutput("unzip", {"-Z1", archive}, directory, listing) != 0)
        return false;
    for (std::size_t start = 0; start < listing.size();) {
        const std::size_t end = std::min(listing.find('\n', start), listing.size());
        const std::string name = ExtractedName(listing.substr(start, end - start));
        if (!name.empty() && Exists(platform::JoinPath(directory, name)))
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

void Tglfr::RefreshSiblingThenThis()
{
    if (!platform::ChangeDir(otherPanel->dir.path)) {
        platform::ShowMessage("cannot change to current dir: " + otherPanel->dir.path);
        return;
    }
    otherPanel->RefreshListing(true);
    if (ChangeToListingDir())
        RefreshListing(true);
}

std::optional<std::string> Tglfr::AskZipPath(const std::string& proposedName, const std::string& title)
{
    if (!ChangeToListingDir())
        return std::nullopt;
    if (!otherPanel) {
        platform::ShowMessage("other window is not valid");
        return std::nullopt;
    }
    TzipDlg dialog(this);
    dialog.SetDirName(platform::WithTrailingSeparator(otherPanel->dir.path) + proposedName);
    dialog.SetTitle(title);
    if (platform::messages().runModal(dialog) != QDialog::Accepted)
        return std::nullopt;
    return InDirectory(dir.path, dialog.DirName());
}

void Tglfr::ZIP1Click()
{
    const CommandInProgress running;
    UnmarkParent(dir);
    const std::vector<std::string> names = MarkedNames();
    if (names.empty()) {
        platform::ShowMessage("No files selected");
        EndFileCommand();
        return;
    }
    const std::optional<std::string> archive = AskZipPath(ProposedArchiveBase(names, dir) + ".zip",
                                                          "Pelvaxon - ZIP selected file(s) to file");
    if (!archive)
        return;
    const std::optional<std::string> writeTo = PrepareArchive(*archive);
    if (!writeTo) {
        EndFileCommand();
        return;
    }
    // "--": a marked name beginning with "-" would otherwise be an option ("-m" deletes the originals).
    std::vector<std::string> arguments = {"-r", *writeTo, "--"};
    arguments.insert(arguments.end(), names.begin(), names.end());
    {
        const platform::BusyCursor busy;
        std::string output;
        bool packed = platform::RunProgramForOutput("zip", arguments, dir.path, output) == 0;
        if (*writeTo != *archive) {
            packed = packed && rename(writeTo->c_str(), archive->c_str()) == 0;
            if (!packed)
                unlink(writeTo->c_str());
        }
        if (!packed)
            platform::ShowMessage("compress is unsuccessful");
    }
    RefreshSiblingThenThis();
}

void Tglfr::unZIP1Click()
{
    const CommandInProgress running;
    UnmarkParent(dir);
    const std::vector<std::string> names = MarkedNames();
    if (names.size() != 1) {
        platform::ShowMessage(names.empty() ? "No file selected" : "More than one file is selected");
        EndFileCommand();
        return;
    }
    const std::optional<std::string> chosen = AskZipPath({}, "Pelvaxon - unZIP selected file to directory");
    if (!chosen)
        return;
    const std::string& target = *chosen;
    if (!IsDirectory(target) && !MadeDirectory(target)) {
        EndFileCommand();
        return;
    }
    const std::string archive = platform::JoinPath(dir.path, names.front());
    // unzip itself never asks: without a terminal its question would read the end of input.
    const bool overwrite = MeetsExistingFiles(archive, target)
        && platform::MessageDlg("overwrite existing files?", platform::MsgButtons::YesNoDefaultNo)
            == platform::MsgResult::Yes;
    {
        const platform::BusyCursor busy;
        if (!platform::ChangeDir(target)) {
            platform::ShowMessage("cannot change to current dir: " + target);
            return;
        }
        std::string output;
        if (platform::RunProgramForOutput("unzip", {overwrite ? "-o" : "-n", archive}, target, output) != 0)
            platform::ShowMessage("unZIP is unsuccessful");
    }
    RefreshSiblingThenThis();
}
