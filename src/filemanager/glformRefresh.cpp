// Keeping a panel's listing current and moving it: the refresh with its sibling rule, going
// to a directory, the drive list, root and parent, and the name and attribute filters.
#include "filemanager/PanelHost.h"
#include "filemanager/attrib.h"
#include "filemanager/glform.h"
#include "platform/base/Exception.h"
#include "platform/fs/Attributes.h"
#include "platform/fs/CurrentDir.h"
#include "platform/fs/Path.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"

#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolButton>

#include <functional>

namespace {

QString Displayed(const std::string& bytes)
{
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

// Calls back on every mouse press in the watched widget; a line edit has no click signal.
class EventWatcher : public QObject {
public:
    EventWatcher(QWidget* watched, QEvent::Type type, std::function<void(QEvent*)> onEvent)
        : QObject(watched), type_(type), onEvent_(std::move(onEvent))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == type_)
            platform::guarded([&] { onEvent_(event); });
        return false;
    }

private:
    QEvent::Type type_;
    std::function<void(QEvent*)> onEvent_;
};

// The caption of the attribute filter button: "rhsa" with a "-" for every bit left out.
QString AttributeCaption(int attrMask)
{
    const struct {
        std::uint32_t bit;
        char letter;
    } letters[] = {{platform::attrReadOnly, 'r'},
                   {platform::attrHidden, 'h'},
                   {platform::attrSystem, 's'},
                   {platform::attrArchive, 'a'}};
    QString caption;
    for (const auto& letter : letters)
        caption += QChar((std::uint32_t(attrMask) & letter.bit) ? letter.letter : '-');
    return caption;
}

} // namespace

void Tglfr::ConnectToolBar()
{
    connect(drvComboBox, &QComboBox::activated, this, platform::guard([this] { drvComboBoxClick(); }));
    connect(rootSpeedButton, &QToolButton::clicked, this, platform::guard([this] { rootSpeedButtonClick(); }));
    connect(parentSpeedButton, &QToolButton::clicked, this, platform::guard([this] { parentSpeedButtonClick(); }));
    connect(AttrSpeedButton, &QToolButton::clicked, this, platform::guard([this] { AttrSpeedButtonClick(); }));
    connect(FilterEdit, &QLineEdit::textChanged, this, platform::guard([this] { FilterEditChange(); }));
    new EventWatcher(FilterEdit, QEvent::MouseButtonPress, [this](QEvent*) { FilterEditClick(); });
    new EventWatcher(drvComboBox, QEvent::KeyRelease, [this](QEvent* event) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        drvComboBoxKeyUp(platform::toVk(key), platform::shiftStateOf(key.modifiers()));
    });
}

void Tglfr::RefreshListing(bool repaint)
{
    refreshingSibling = false;
    {
        const platform::BusyCursor busy;
        try {
            dir.ReadDirectory(QFile::encodeName(FilterEdit->text()).toStdString(), attrMask, dirsizevisible);
            unreadableReported.clear();
        } catch (const platform::Exception& error) {
            // Shown empty; the refresh at every activation must not repeat the box.
            if (dir.path != unreadableReported)
                platform::ShowMessage(error.what());
            unreadableReported = dir.path;
        }
        shownPath = dir.path;
        SortListing();
        dirnameLabel->setText(Displayed(dir.path));
        SelectDriveOf(dir.path);
        tree.RebuildDirTree(dir.path);
        // The tree walk stops short of the listing below a directory it may not list.
        platform::ChangeDir(dir.path);
    }
    if (repaint) {
        RepaintScene();
        RefreshSiblingIfConcerned();
    }
}

void Tglfr::RefreshSiblingIfConcerned()
{
    if (!otherPanel || otherPanel->refreshingSibling || !platform::IsAncestorOrSame(dir.path, otherPanel->dir.path))
        return;
    refreshingSibling = true;
    // The sibling's directory may be the one just removed here: it then shows what is left.
    if (!platform::ChangeDir(otherPanel->dir.path))
        platform::ChangeToNearestDir(otherPanel->dir.path);
    otherPanel->RefreshListing(true);
    platform::ChangeDir(dir.path);
    refreshingSibling = false;
}

bool Tglfr::ChangeToListingDir()
{
    if (platform::ChangeDir(dir.path))
        return true;
    platform::ShowMessage("cannot change to current dir: " + dir.path);
    // Otherwise the refresh that follows would show whatever directory the process is in.
    if (dir.path == shownPath)
        platform::ChangeToNearestDir(dir.path);
    return false;
}

void Tglfr::GoToDirectory(std::string path)
{
    if (!platform::ChangeDir(path)) {
        platform::ShowMessage("cannot change to dir (resetdir): " + path);
        return;
    }
    dir.path = path;
    SelectDriveOf(path);
    RefreshListing(true);
    host.SetTitle("Pelvaxon - " + dir.path);
    if (StatusBar1->isVisibleTo(this))
        StatusBar1->showMessage(Displayed(dir.path));
}

void Tglfr::drvComboBoxClick()
{
    ChangeToListingDir();
    const std::string root = drvComboBox->currentData().toByteArray().toStdString();
    if (!platform::ChangeDir(root)) {
        platform::ShowMessage("cannot change to root dir");
        SelectDriveOf(dir.path);
        return;
    }
    RefreshListing(true);
}

// The drive changes when an item is chosen (drvComboBoxClick); keys moving through the list
// change nothing by themselves.
void Tglfr::drvComboBoxKeyUp(int, platform::ShiftState) {}

void Tglfr::rootSpeedButtonClick()
{
    const int drive = drives.DriveOf(dir.path);
    ChangeAndShow(drive >= 0 ? drives.Items()[std::size_t(drive)].root : std::string("/"));
}

void Tglfr::parentSpeedButtonClick()
{
    ChangeAndShow("..");
}

void Tglfr::ChangeAndShow(const std::string& target)
{
    ChangeToListingDir();
    if (!platform::ChangeDir(target))
        platform::ShowMessage("cannot change to dir");
    RefreshListing(true);
}

void Tglfr::FilterEditChange()
{
    ChangeToListingDir();
    RefreshListing(true);
}

void Tglfr::FilterEditClick()
{
    host.filterEditFocused = true;
}

void Tglfr::AttrSpeedButtonClick()
{
    TAttrDlg dialog(this);
    dialog.setWindowTitle("Set filter attributes");
    dialog.SetCheckBoxes(std::uint32_t(attrMask));
    if (platform::messages().runModal(dialog) != QDialog::Accepted)
        return;
    attrMask = int(dialog.CheckedBits());
    // The caption names the mask in force even when the listing cannot follow it yet.
    AttrSpeedButton->setText(AttributeCaption(attrMask));
    if (ChangeToListingDir())
        RefreshListing(true);
}
