#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

class QCheckBox;
class QGroupBox;
class QPushButton;
namespace Ui {
class AttrDlg;
}

// The four attribute boxes, made for one use by the panel's attribute and filter commands;
// which boxes take effect is theirs to decide.
class TAttrDlg : public QDialog {
public:
    explicit TAttrDlg(QWidget* owner);
    ~TAttrDlg() override;

    // Components of the stored form.
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* ROCheckBox = nullptr;
    QCheckBox* HiCheckBox = nullptr;
    QCheckBox* SyCheckBox = nullptr;
    QCheckBox* ArCheckBox = nullptr;

    // Ticks the box of every set bit among read-only, hidden, system and archive; the
    // boxes of clear bits stay as they are.
    void SetCheckBoxes(std::uint32_t attributes);
    // The attribute bits of the ticked boxes.
    std::uint32_t CheckedBits() const;

private:
    std::unique_ptr<Ui::AttrDlg> ui;
};
