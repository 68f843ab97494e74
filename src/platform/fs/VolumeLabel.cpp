#include "platform/fs/VolumeLabel.h"

#include <QFile>
#include <QStorageInfo>

namespace platform {

std::string VolumeLabel(const std::string& path)
{
    const QStorageInfo storage(QFile::decodeName(QByteArray::fromStdString(path)));
    return storage.isValid() ? storage.name().toStdString() : std::string();
}

} // namespace platform
