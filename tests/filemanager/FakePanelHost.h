#pragma once

// A window for panels in tests: it holds the view switches and the background a scene
// obeys, records titles, focus clears and icon calls, and gives the panels a mount table
// the test chooses, so temporary directories can be drives.

#include "filemanager/PanelHost.h"
#include "filemanager/glform.h"
#include "platform/fs/CurrentDir.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class FakePanelHost : public PanelHost {
public:
    FakePanelHost()
    {
        mountSource = [] { return std::vector<platform::MountEntry>{}; };
    }

    std::string title;
    std::vector<std::string> titles; // every title set, in order (a listing read sets one)
    int activeControlClears = 0;
    std::vector<std::string> iconExtensions; // the extension of every icon drawn
    // Called for every icon, with the panel's context current and its transformation set.
    std::function<void(Tglfr&, const std::string&)> OnDrawIcon;

    std::string Title() const override { return title; }
    void SetTitle(const std::string& text) override
    {
        title = text;
        titles.push_back(text);
    }
    void ClearActiveControl() override { ++activeControlClears; }
    void DrawExtensionIcon(Tglfr& panel, const std::string& lext) override
    {
        iconExtensions.push_back(lext);
        if (OnDrawIcon)
            OnDrawIcon(panel, lext);
    }

    // Makes each root a drive (a FUSE mount) beside "/"; panels made afterwards see them.
    void MountDrives(std::vector<std::string> roots)
    {
        mountSource = [roots] {
            std::vector<platform::MountEntry> table;
            for (const std::string& root : roots)
                table.push_back({root, "fuse.test"});
            return table;
        };
    }
};

// A panel of the host listing `directory`, the drive box on its drive; not shown, so it
// has no context until the test shows it.
inline std::unique_ptr<Tglfr> MakePanelOn(PanelHost& host, const std::string& directory)
{
    auto panel = std::make_unique<Tglfr>(nullptr, host);
    if (platform::ChangeDir(directory)) {
        panel->RefreshListing(false);
        panel->SelectDriveOf(directory);
    }
    return panel;
}
