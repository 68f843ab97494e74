#include "platform/shell/FileOperation.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>

#include <optional>

namespace platform {
namespace {

// A modal progress dialog that appears once the work has lasted a moment and is updated
// a few times a second at most, so thousands of small files are not slowed by painting.
// The dialog is made only when it is to be shown: a QProgressDialog shows itself by its own
// timer some seconds after it is made, which would put it over a question the user is still
// reading and take the Enter meant for that question.
class ProgressDialog final : public OperationProgress {
public:
    explicit ProgressDialog(std::string title) : title_(std::move(title)) { working_.start(); }

    void addWork(std::uint64_t bytes) override { total_ += bytes; }

    bool beginItem(const std::string& path) override
    {
        path_ = path;
        return refresh();
    }

    bool advance(std::uint64_t bytes) override
    {
        done_ += bytes;
        return refresh();
    }

    // The time the user took to answer is no time the work has lasted.
    void answered() override { working_.start(); }

private:
    bool refresh()
    {
        if (!dialog_ && working_.elapsed() < shownAfterMs)
            return true;
        if (!dialog_)
            show();
        else if (sinceUpdate_.elapsed() < updateEveryMs)
            return !dialog_->wasCanceled();
        sinceUpdate_.start();
        dialog_->setLabelText(QFile::decodeName(path_.c_str()));
        if (total_ > 0) {
            dialog_->setRange(0, 1000);
            dialog_->setValue(static_cast<int>(std::min<std::uint64_t>(done_ * 1000 / total_, 1000)));
        }
        QCoreApplication::processEvents();
        return !dialog_->wasCanceled();
    }

    void show()
    {
        dialog_.emplace(QApplication::activeWindow());
        dialog_->setWindowTitle(QString::fromStdString(title_));
        dialog_->setCancelButtonText(QStringLiteral("Cancel"));
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumWidth(420);
        dialog_->setRange(0, 0);
        dialog_->show();
    }

    static constexpr qint64 shownAfterMs = 400;
    static constexpr qint64 updateEveryMs = 100;
    std::string title_;
    std::optional<QProgressDialog> dialog_;
    QElapsedTimer working_;
    QElapsedTimer sinceUpdate_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    std::string path_;
};
} // namespace

std::unique_ptr<OperationProgress> MakeProgressDialog(const std::string& title)
{
    return std::make_unique<ProgressDialog>(title);
}

} // namespace platform
