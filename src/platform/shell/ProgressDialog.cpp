#include "platform/shell/FileOperation.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>

#include <limits>

namespace platform {
namespace {

// A modal progress dialog that appears once the work has lasted a moment and is updated
// a few times a second at most, so thousands of small files are not slowed by painting.
class ProgressDialog final : public OperationProgress {
public:
    explicit ProgressDialog(const std::string& title) : dialog_(QApplication::activeWindow())
    {
        dialog_.setWindowTitle(QString::fromStdString(title));
        dialog_.setCancelButtonText(QStringLiteral("Cancel"));
        dialog_.setWindowModality(Qt::ApplicationModal);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        // Shown by refresh() alone: Qt's own timer would show it during the first question.
        dialog_.setMinimumDuration(std::numeric_limits<int>::max());
        dialog_.setMinimumWidth(420);
        dialog_.setRange(0, 0);
        dialog_.hide();
        started_.start();
    }

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

private:
    bool refresh()
    {
        if (started_.elapsed() < shownAfterMs || (shown_ && sinceUpdate_.elapsed() < updateEveryMs))
            return !dialog_.wasCanceled();
        if (!shown_) {
            shown_ = true;
            dialog_.show();
        }
        sinceUpdate_.start();
        dialog_.setLabelText(QFile::decodeName(path_.c_str()));
        if (total_ > 0) {
            dialog_.setRange(0, 1000);
            dialog_.setValue(static_cast<int>(std::min<std::uint64_t>(done_ * 1000 / total_, 1000)));
        }
        QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

    static constexpr qint64 shownAfterMs = 400;
    static constexpr qint64 updateEveryMs = 100;
    QProgressDialog dialog_;
    QElapsedTimer started_;
    QElapsedTimer sinceUpdate_;
    bool shown_ = false;
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
