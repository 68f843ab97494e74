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

std::string dataDirectory()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QFile::encodeName(data).toStdString() + "/pelvaxon/";
}

} // namespace platform
