#include "filemanager/attrib.h"

#include "platform/fs/Attributes.h"
#include "platform/ui/WindowPlacement.h"
#include "ui_AttrDlg.h"

TAttrDlg::TAttrDlg(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::AttrDlg>())
{
    ui->setupUi(this);
    OKBtn = ui->OKBtn;
    CancelBtn = ui->CancelBtn;
    GroupBox1 = ui->GroupBox1;
    ROCheckBox = ui->ROCheckBox;
    HiCheckBox = ui->HiCheckBox;
    SyCheckBox = ui->SyCheckBox;
    ArCheckBox = ui->ArCheckBox;
    platform::FixSizeAndCentre(*this);
}

TAttrDlg::~TAttrDlg() = default;

namespace {
struct BoxBit {
    QCheckBox* TAttrDlg::*box;
    std::uint32_t bit;
};
constexpr BoxBit boxBits[] = {{&TAttrDlg::ROCheckBox, platform::attrReadOnly},
                              {&TAttrDlg::HiCheckBox, platform::attrHidden},
                              {&TAttrDlg::SyCheckBox, platform::attrSystem},
                              {&TAttrDlg::ArCheckBox, platform::attrArchive}};
} // namespace

void TAttrDlg::SetCheckBoxes(std::uint32_t attributes)
{
    for (const BoxBit& entry : boxBits) {
        if (attributes & entry.bit)
            (this->*entry.box)->setChecked(true);
    }
}

std::uint32_t TAttrDlg::CheckedBits() const
{
    std::uint32_t bits = 0;
    for (const BoxBit& entry : boxBits) {
        if ((this->*entry.box)->isChecked())
            bits |= entry.bit;
    }
    return bits;
}
