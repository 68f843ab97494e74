#pragma once

#include <QPointer>
#include <QString>

#include <string>

class QWidget;

namespace platform {

// Shows a caption on a window for as long as it lives, then puts the previous one back,
// however the scope ends.
class TemporaryCaption {
public:
    TemporaryCaption(QWidget& window, const std::string& caption);
    ~TemporaryCaption();
    TemporaryCaption(const TemporaryCaption&) = delete;
    TemporaryCaption& operator=(const TemporaryCaption&) = delete;

private:
    QPointer<QWidget> window_;
    QString saved_;
};

} // namespace platform
