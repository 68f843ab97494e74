// Network locations in place of network drives: connected and disconnected with gio, after
// which both panels follow their drive lists.
#include "filemanager/CommandInProgress.h"
#include "filemanager/glform.h"
#include "filemanager/netlocdial.h"
#include "platform/fs/CurrentDir.h"
#include "platform/shell/RunProgram.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/MessageService.h"

#include <algorithm>

namespace {

bool Lists(const platform::DriveList& drives, const std::string& root)
{
    return std::any_of(drives.Items().begin(), drives.Items().end(),
                       [&](const platform::DriveItem& item) { return item.root == root; });
}

// The root of the drive that holds the panel's directory.
std::string DriveRootOf(const Tglfr& panel)
{
    const int drive = panel.drives.DriveOf(panel.DirPath());
    return drive >= 0 ? panel.drives.Items()[std::size_t(drive)].root : std::string("/");
}

} // namespace

void Tglfr::mapnetworkdrive1Click()
{
    ChangeNetworkLocation(true);
}

void Tglfr::unmapnetworkdrive1Click()
{
    ChangeNetworkLocation(false);
}

void Tglfr::ChangeNetworkLocation(bool connect)
{
    const CommandInProgress running;
    if (!ChangeToListingDir())
        return;
    if (platform::FindProgram("gio").empty()) {
        platform::ShowMessage("Network locations need the gio program (Debian package libglib2.0-bin), which is "
                              "not installed.");
        return;
    }
    TNetLocationDlg dialog(this);
    dialog.setWindowTitle(connect ? "Pelvaxon: connect network location" : "Pelvaxon: disconnect network location");
    if (!connect) {
        std::vector<std::string> mounted;
        for (const platform::DriveItem& item : drives.Items()) {
            if (item.network)
                mounted.push_back(item.root);
        }
        dialog.OfferLocations(mounted);
    }
    if (platform::messages().runModal(dialog) != QDialog::Accepted || dialog.Location().empty())
        return;

    std::vector<Tglfr*> panels = {this};
    if (otherPanel)
        panels.push_back(otherPanel);
    std::vector<std::string> drivesBefore;
    for (Tglfr* panel : panels)
        drivesBefore.push_back(DriveRootOf(*panel));
    const platform::DriveList listBefore = drives;

    std::vector<std::string> arguments = {"mount"};
    if (!connect)
        arguments.push_back("-u");
    arguments.insert(arguments.end(), {"--", dialog.Location()});
    std::string output;
    int status = 0;
    {
        const platform::BusyCursor busy;
        status = platform::RunProgramForOutput("gio", arguments, {}, output);
    }
    if (status != 0) {
        output.erase(output.find_last_not_of(" \n") + 1);
        platform::messages().askWithCaption("Error", output.empty() ? "gio mount failed" : output,
                                            platform::MsgButtons::Ok, platform::MsgIcon::Information);
        EndFileCommand();
        return;
    }
    for (Tglfr* panel : panels) {
        panel->drives.Rescan();
        panel->FillDriveBox();
    }
    if (connect) {
        const auto added = std::find_if(drives.Items().begin(), drives.Items().end(),
                                        [&](const platform::DriveItem& item) { return !Lists(listBefore, item.root); });
        if (added == drives.Items().end())
            platform::ShowMessage("no new drive found");
        else
            GoToDirectory(added->root);
    } else {
        for (std::size_t i = 0; i < panels.size(); ++i) {
            if (!Lists(panels[i]->drives, drivesBefore[i]))
                panels[i]->GoToDirectory(platform::HomeDirectory());
        }
    }
    EndFileCommand();
}
