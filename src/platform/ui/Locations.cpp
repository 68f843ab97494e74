#include "platform/ui/Locations.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>

namespace platform {

std::string programDirectory()
{
    return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/";
}

std::string settingsFilePath()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QFile::encodeName(config).toStdString() + "/pelvaxon/PELVAXON.INI";
}

} // namespace platform
