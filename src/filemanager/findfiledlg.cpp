#include "filemanager/findfiledlg.h"

#include "filemanager/ContainsText.h"
#include "filemanager/FoundList.h"
#include "filemanager/NameEdit.h"
#include "platform/fs/Attributes.h"
#include "platform/fs/CurrentDir.h"
#include "platform/fs/FindFiles.h"
#include "platform/fs/OpenRegularFile.h"
#include "platform/fs/Path.h"
#include "platform/fs/Wildcard.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"
#include "platform/ui/WindowPlacement.h"
#include "ui_FindFilDlg.h"

#include <QCoreApplication>
#include <QFile>
#include <QListView>
#include <QPointer>

#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TFindFilDlg* FindFilDlg = nullptr;

namespace {
// Often enough for Cancel and repaints to feel immediate, rarely enough not to slow the walk.
constexpr auto kTickInterval = std::chrono::milliseconds(40);
constexpr std::size_t kMaxSearchText = 499;

// Lack of permission, or an entry that vanished or changed kind while the walk went on.
bool IsUnreachable(int error)
{
    return error == EACCES || error == EPERM || error == ENOENT || error == ENOTDIR || error == ELOOP;
}

// Opens a directory to learn whether it can be walked and which one it is. The start is
// taken as named; below it a link is never entered.
int OpenDirectory(const std::string& path, bool followLink, struct stat& status)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return errno;
    const int error = ::fstat(fd, &status) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

// Puts the dialog back at rest however the search ends.
class SearchRun {
public:
    SearchRun(bool& searching, QPushButton& find, QPushButton& goTo, QWidget* focused)
        : searching_(searching), find_(find), goTo_(goTo), focused_(focused)
    {
        searching_ = true;
        find_.setEnabled(false);
        goTo_.setEnabled(false);
    }
    ~SearchRun()
    {
        searching_ = false;
        find_.setEnabled(true);
        goTo_.setEnabled(true);
        if (focused_)
            focused_->setFocus();
    }
    SearchRun(const SearchRun&) = delete;
    SearchRun& operator=(const SearchRun&) = delete;

private:
    bool& searching_;
    QPushButton& find_;
    QPushButton& goTo_;
    QPointer<QWidget> focused_;
};
} // namespace

TFindFilDlg::TFindFilDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::FindFilDlg>())
{
    ui->setupUi(this);
    GoToBtn = ui->GoToBtn;
    CancelBtn = ui->CancelBtn;
    Bevel1 = ui->Bevel1;
    FilnamEdit = ui->FilnamEdit;
    Label1 = ui->Label1;
    DrvDirEdit = ui->DrvDirEdit;
    Label2 = ui->Label2;
    TextInFileEdit = ui->TextInFileEdit;
    Label3 = ui->Label3;
    FindButton = ui->FindButton;
    FileCheckListBox = ui->FileCheckListBox;
    MatchCaseCheckBox = ui->MatchCaseCheckBox;
    results = new FoundList(this);
    FileCheckListBox->setModel(results);
    connect(FindButton, &QPushButton::clicked, this, platform::guard([this] { FindButtonClick(); }));
    connect(CancelBtn, &QPushButton::clicked, this, platform::guard([this] { CancelBtnClick(); }));
    connect(GoToBtn, &QPushButton::clicked, this, platform::guard([this] { GoToBtnClick(); }));
    FilnamEdit->setFocus();
    platform::Centre(*this);
}

TFindFilDlg::~TFindFilDlg()
{
    if (FindFilDlg == this)
        FindFilDlg = nullptr;
}

std::string TFindFilDlg::StartDir() const
{
    return EditedName(*DrvDirEdit, startDirShown);
}

void TFindFilDlg::SetStartDir(const std::string& dir)
{
    startDirShown = dir;
    ShowName(*DrvDirEdit, dir);
}

std::optional<TFindFilDlg::FoundEntry> TFindFilDlg::ChosenEntry() const
{
    const QModelIndex current = FileCheckListBox->currentIndex();
    if (!current.isValid() || !FileCheckListBox->selectionModel()->isSelected(current))
        return std::nullopt;
    const FoundList::Entry& entry = results->At(current.row());
    return FoundEntry{entry.path, entry.isDirectory};
}

void TFindFilDlg::FindButtonClick()
{
    if (searching)
        return;
    if (FilnamEdit->text().isEmpty())
        FilnamEdit->setText("*.*");
    cancelRequested = false;
    fileCount = dirCount = skippedCount = 0;
    results->Clear();
    visited.clear();
    pattern = QFile::encodeName(FilnamEdit->text()).toStdString();
    searchText = TextInFileEdit->text().toUtf8().toStdString();
    foldCase = !MatchCaseCheckBox->isChecked();
    if (searchText.size() > kMaxSearchText) {
        platform::ShowMessage("too long search string");
    } else {
        std::string start = StartDir();
        if (!start.empty() && start.front() != '/')
            start = platform::JoinPath(platform::CurrentDir(), start);
        startPath = platform::WithTrailingSeparator(start);
        const platform::BusyCursor busy;
        const SearchRun run(searching, *FindButton, *GoToBtn, focusWidget());
        nextTick = std::chrono::steady_clock::now();
        SearchDirectory(startPath);
        results->Show();
    }
    setWindowTitle(QString::asprintf("file:%d, directory:%d, skipped:%d", fileCount, dirCount, skippedCount));
}

TFindFilDlg::WalkEnd TFindFilDlg::SearchDirectory(const std::string& dir)
{
    const std::string path = platform::WithTrailingSeparator(dir);
    const bool isStart = path == startPath;
    struct stat status {};
    if (const int error = OpenDirectory(path, isStart, status)) {
        if (!isStart && IsUnreachable(error))
            ++skippedCount;
        else
            platform::ShowMessage("cannot change to dir: " + path);
        return WalkEnd::NotEntered;
    }
    // A mount of a directory inside itself leads back to one already walked.
    if (!visited.emplace(status.st_dev, status.st_ino).second)
        return WalkEnd::Finished;
    std::vector<platform::FoundFile> entries;
    try {
        entries = platform::ListDir(path, "*.*", {.kindOnly = true});
    } catch (const platform::Exception&) {
        if (isStart)
            platform::ShowMessage("cannot change to dir: " + path);
        else
            ++skippedCount;
        return WalkEnd::NotEntered;
    }

    // Subdirectories first, depth first, so a directory's own matches follow theirs. The
    // directory is looked at again whenever other work ran meanwhile: it may have gone.
    unsigned checkedAt = ticks;
    bool walkedBelow = false;
    const auto stillThere = [&]() -> std::optional<WalkEnd> {
        if (ticks == checkedAt && !walkedBelow)
            return std::nullopt;
        checkedAt = ticks;
        walkedBelow = false;
        return CanReenter(path, isStart);
    };
    for (const platform::FoundFile& entry : entries) {
        if (entry.name == "..")
            continue;
        if (const auto end = stillThere())
            return *end;
        if (!KeepGoing(path, entry.name))
            return WalkEnd::Stopped;
        if ((entry.attributes & platform::attrDirectory) && !entry.isSymlink) {
            if (SearchDirectory(path + entry.name) == WalkEnd::Stopped)
                return WalkEnd::Stopped;
            walkedBelow = true;
        }
    }

    for (const platform::FoundFile& entry : entries) {
        if (entry.name == ".." || !platform::WildcardMatch(pattern, entry.name))
            continue;
        if (const auto end = stillThere())
            return *end;
        if (!KeepGoing(path, entry.name))
            return WalkEnd::Stopped;
        const bool isDirectory = entry.attributes & platform::attrDirectory;
        // A FIFO or device is never opened: it could block, or never end.
        const bool matches = searchText.empty()
                             || (!isDirectory && !(entry.attributes & platform::attrSystem)
                                 && FileContainsText(path + entry.name, searchText));
        if (matches)
            AddResult(path + entry.name, isDirectory);
    }
    return cancelRequested ? WalkEnd::Stopped : WalkEnd::Finished;
}

std::optional<TFindFilDlg::WalkEnd> TFindFilDlg::CanReenter(const std::string& path, bool isStart)
{
    struct stat status {};
    const int error = OpenDirectory(path, isStart, status);
    if (error == 0)
        return std::nullopt;
    // Gone or closed below the start: what was found there stays, the walk goes on elsewhere.
    if (!isStart && IsUnreachable(error)) {
        ++skippedCount;
        return WalkEnd::Finished;
    }
    platform::ShowMessage("cannot change to dir: " + path);
    return WalkEnd::Stopped;
}

bool TFindFilDlg::FileContainsText(const std::string& path, const std::string& text)
{
    platform::FileDescriptor fd;
    try {
        fd = platform::OpenRegularFile(path);
    } catch (const platform::FileOpenError& error) {
        // errorNumber 0 and EISDIR: it is no longer a regular file, nothing to search.
        if (error.errorNumber() == 0 || error.errorNumber() == EISDIR)
            return false;
        if (IsUnreachable(error.errorNumber()))
            ++skippedCount;
        else
            platform::ShowMessage("file open not succesful: " + path);
        return false;
    }
    DescriptorSource source(fd.get());
    try {
        return containsText(source, text, foldCase, [&] { return !KeepGoing(path, {}); });
    } catch (const std::bad_alloc&) {
        platform::ShowMessage("not enough memory to read in the file");
        return false;
    }
}

bool TFindFilDlg::KeepGoing(std::string_view dir, std::string_view name)
{
    if (std::chrono::steady_clock::now() >= nextTick) {
        std::string caption(dir);
        caption += name;
        setWindowTitle(QFile::decodeName(QByteArray::fromStdString(caption)));
        results->Show();
        QCoreApplication::processEvents();
        nextTick = std::chrono::steady_clock::now() + kTickInterval;
        ++ticks;
    }
    return !cancelRequested;
}

void TFindFilDlg::AddResult(std::string path, bool isDirectory)
{
    ++(isDirectory ? dirCount : fileCount);
    results->Add(std::move(path), isDirectory);
}

void TFindFilDlg::CancelBtnClick()
{
    cancelRequested = true;
    if (!searching)
        QDialog::reject();
}

void TFindFilDlg::reject()
{
    CancelBtnClick();
}

void TFindFilDlg::GoToBtnClick()
{
    if (!ChosenEntry()) {
        platform::ShowMessage("select a file/dir");
        return;
    }
    accept();
}

void TFindFilDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

void TFindFilDlg::FormResize()
{
    FileCheckListBox->resize(width() - 5, FileCheckListBox->height());
}
