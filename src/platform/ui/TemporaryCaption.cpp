#include "platform/ui/TemporaryCaption.h"

#include <QFile>
#include <QWidget>

namespace platform {

TemporaryCaption::TemporaryCaption(QWidget& window, const std::string& caption)
    : window_(&window), saved_(window.windowTitle())
{
    window.setWindowTitle(QFile::decodeName(QByteArray::fromStdString(caption)));
}

TemporaryCaption::~TemporaryCaption()
{
    if (window_)
        window_->setWindowTitle(saved_);
}

} // namespace platform
