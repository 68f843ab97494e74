#include "icons3d/ic3dlimdlg.h"

#include "icons3d/IconCache.h"
#include "platform/fs/Path.h"
#include "platform/ui/MessageService.h"
#include "platform/ui/WindowPlacement.h"
#include "ui_ic3dlimitDlg.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Tic3dlimitDlg::Tic3dlimitDlg(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::ic3dlimitDlg>())
{
    ui->setupUi(this);
    Label1 = ui->Label1;
    Label2 = ui->Label2;
    Label3 = ui->Label3;
    icon3dlimitText = ui->icon3dlimitText;
    OKBtn = ui->OKBtn;
    CancelBtn = ui->CancelBtn;
    ic3ddirEdit = ui->ic3ddirEdit;
    Button1 = ui->Button1;
    rereadiconsCheckBox = ui->rereadiconsCheckBox;
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    platform::FixSizeAndCentre(*this);
}

Tic3dlimitDlg::~Tic3dlimitDlg() = default;

void Tic3dlimitDlg::Button1Click()
{
    const std::optional<std::string> file =
        platform::messages().pickOpenFile("Select an Anim8or file", Directory(), "Anim8or (*.an8)", "");
    if (file && !file->empty())
        SetDirectory(platform::WithTrailingSeparator(platform::DirectoryOf(*file)));
}

void Tic3dlimitDlg::SetDirectory(const std::string& directory)
{
    shownDirectory = directory;
    ic3ddirEdit->setText(QFile::decodeName(QByteArray::fromStdString(directory)));
}

std::string Tic3dlimitDlg::Directory() const
{
    if (ic3ddirEdit->text() == QFile::decodeName(QByteArray::fromStdString(shownDirectory)))
        return shownDirectory;
    return QFile::encodeName(ic3ddirEdit->text()).toStdString();
}

void Ic3dlimitDlgAccepted(const Tic3dlimitDlg& dialog, const std::string& keptDirectory, IconSettings settings,
                          IconCache& cache)
{
    bool isInteger = false;
    const int limit = dialog.icon3dlimitText->text().trimmed().toInt(&isInteger);
    if (!isInteger) {
        // Appended piecewise: GCC 12 warns falsely about a chain of + here.
        std::string text = "'";
        text.append(dialog.icon3dlimitText->text().toStdString()).append("' is not a valid integer value");
        platform::ShowMessage(text, platform::MsgIcon::Error);
        return;
    }
    settings.limit = limit;
    std::string directory = dialog.Directory();
    if (directory.empty())
        directory = settings.defaultDirectory;
    directory = platform::WithTrailingSeparator(directory);
    if (directory != keptDirectory || dialog.rereadiconsCheckBox->isChecked()) {
        settings.directory = directory;
        cache.FreeIconCache();
    }
}

void RunIconSettingsDialog(QWidget* owner, IconSettings settings, IconCache& cache)
{
    Tic3dlimitDlg dialog(owner);
    dialog.icon3dlimitText->setText(QString::number(settings.limit));
    dialog.SetDirectory(settings.directory);
    const std::string kept = settings.directory;
    if (platform::messages().runModal(dialog) == QDialog::Accepted)
        Ic3dlimitDlgAccepted(dialog, kept, settings, cache);
}
