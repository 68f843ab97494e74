#include "filemanager/netlocdial.h"

#include "platform/ui/WindowPlacement.h"
#include "ui_NetLocationDlg.h"

#include <QFile>

TNetLocationDlg::TNetLocationDlg(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::NetLocationDlg>())
{
    ui->setupUi(this);
    Bevel1 = ui->Bevel1;
    Label1 = ui->Label1;
    LocationBox = ui->LocationBox;
    OKBtn = ui->OKBtn;
    CancelBtn = ui->CancelBtn;
    platform::FixSizeAndCentre(*this);
}

TNetLocationDlg::~TNetLocationDlg() = default;

void TNetLocationDlg::OfferLocations(const std::vector<std::string>& locations)
{
    for (const std::string& location : locations)
        LocationBox->addItem(QFile::decodeName(QByteArray::fromStdString(location)),
                             QByteArray::fromStdString(location));
}

std::string TNetLocationDlg::Location() const
{
    // A mount point's name need not be text: the item keeps its bytes while its text is shown.
    const int offered = LocationBox->findText(LocationBox->currentText());
    if (offered >= 0)
        return LocationBox->itemData(offered).toByteArray().toStdString();
    return QFile::encodeName(LocationBox->currentText().trimmed()).toStdString();
}
