#include "filemanager/NameEdit.h"

#include <QFile>
#include <QLineEdit>

void ShowName(QLineEdit& edit, const std::string& name)
{
    edit.setText(QFile::decodeName(QByteArray::fromStdString(name)));
}

std::string EditedName(const QLineEdit& edit, const std::string& shown)
{
    if (edit.text() == QFile::decodeName(QByteArray::fromStdString(shown)))
        return shown;
    return QFile::encodeName(edit.text()).toStdString();
}
