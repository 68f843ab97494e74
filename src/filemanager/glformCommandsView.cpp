// The panel's commands on the cursor entry and the marked entries that open windows or
// programs: view, edit, the terminal, set attributes and find.
#include "filemanager/CommandInProgress.h"
#include "filemanager/PanelHost.h"
#include "filemanager/attrib.h"
#include "filemanager/findfiledlg.h"
#include "filemanager/glform.h"
#include "filemanager/grfview.h"
#include "filemanager/viewfil.h"
#include "platform/fs/Attributes.h"
#include "platform/fs/Path.h"
#include "platform/shell/Launcher.h"
#include "platform/shell/RunProgram.h"
#include "platform/ui/MessageService.h"

#include <QAction>
#include <QCheckBox>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string_view>

namespace {

bool IsPictureExtension(const std::string& lext)
{
    static const std::array<std::string_view, 7> pictures = {".jpg", ".jpeg", ".bmp", ".ico", ".emf", ".gif", ".wmf"};
    return std::find(pictures.begin(), pictures.end(), lext) != pictures.end();
}

// The desktop's terminal, else xterm; "" when neither is installed.
std::string TerminalProgram()
{
    for (const char* name : {"x-terminal-emulator", "xterm"}) {
        if (!platform::FindProgram(name).empty())
            return name;
    }
    return {};
}

} // namespace

void Tglfr::WireFileCommands()
{
    Wire(setattributes1, &Tglfr::setattributes1Click);
    Wire(doswin, &Tglfr::doswinClick);
    Wire(ZIP1, &Tglfr::ZIP1Click);
    Wire(unZIP1, &Tglfr::unZIP1Click);
    Wire(mapnetworkdrive1, &Tglfr::mapnetworkdrive1Click);
    Wire(unmapnetworkdrive1, &Tglfr::unmapnetworkdrive1Click);
}

const ff* Tglfr::CurrentEntry() const
{
    for (const auto& entry : dir.entries) {
        if (entry->current)
            return entry.get();
    }
    return nullptr;
}

void Tglfr::ViewCurrentFile(int mode)
{
    const ff* entry = CurrentEntry();
    if (!entry || entry->IsDirectory())
        return;
    const std::string name = entry->name;
    const std::string lext = entry->lext;
    if (!ChangeToListingDir())
        return;
    if (mode == 0 && IsPictureExtension(lext)) {
        // The viewer's caption and its error name the file by its full path.
        (new TgrfviewForm(this))->ShowPicture(platform::JoinPath(dir.path, name));
        return;
    }
    auto viewer = std::make_unique<TViewForm>(this, &host);
    viewer->LoadFile(name, lext, mode);
    viewer.release(); // frees itself when closed
}

void Tglfr::StartInTerminal(const std::vector<std::string>& arguments)
{
    const std::string terminal = TerminalProgram();
    if (terminal.empty()) {
        platform::ShowMessage("No terminal program found: neither x-terminal-emulator nor xterm is installed.");
        return;
    }
    platform::launcher().startProgram(terminal, arguments, dir.path);
}

void Tglfr::EditCurrentFile()
{
    const ff* entry = CurrentEntry();
    if (!entry || entry->IsDirectory() || entry->name.empty())
        return;
    // An editor would take a name beginning with "-" for an option.
    const std::string name = entry->name.front() == '-' ? "./" + entry->name : entry->name;
    ChangeToListingDir();
    StartInTerminal({"-e", "sensible-editor", name});
    ChangeToListingDir();
    RefreshListing(true);
}

void Tglfr::doswinClick()
{
    ChangeToListingDir();
    StartInTerminal({});
}

void Tglfr::setattributes1Click()
{
    const CommandInProgress running;
    const std::vector<std::string> names = MarkedNames();
    if (names.empty()) {
        platform::ShowMessage("No files selected");
        return;
    }
    if (!ChangeToListingDir())
        return;
    TAttrDlg dialog(this);
    for (const auto& entry : dir.entries) {
        if (names.size() == 1 && entry->selected && entry->name == names.front())
            dialog.SetCheckBoxes(entry->attrib);
    }
    // Only read-only can be set here; the other bits follow from names and kinds.
    for (QCheckBox* fixed : {dialog.HiCheckBox, dialog.SyCheckBox, dialog.ArCheckBox})
        fixed->setEnabled(false);
    if (platform::messages().runModal(dialog) != QDialog::Accepted)
        return;
    const std::uint32_t attributes = dialog.CheckedBits();
    for (const std::string& name : names) {
        if (platform::SetAttributes(name, attributes) != 0)
            platform::ShowMessage("setting attributes is not successful, file: " + name);
    }
    RefreshListing(true);
}

void Tglfr::FindFiles()
{
    const CommandInProgress running;
    if (!FindFilDlg)
        return;
    ChangeToListingDir();
    if (FindFilDlg->StartDir().empty())
        FindFilDlg->SetStartDir(dir.path);
    if (platform::messages().runModal(*FindFilDlg) != QDialog::Accepted)
        return;
    const std::optional<TFindFilDlg::FoundEntry> chosen = FindFilDlg->ChosenEntry();
    if (!chosen)
        return;
    if (chosen->isDirectory)
        dir.path = chosen->path;
    else if (chosen->path.find('/') == std::string::npos)
        platform::ShowMessage("file name error");
    else
        dir.path = platform::DirectoryOf(chosen->path);
    ChangeToListingDir();
    RefreshListing(true);
    // After the read, which puts its own progress into the title.
    if (chosen->isDirectory)
        host.SetTitle("Pelvaxon - " + dir.path);
}
