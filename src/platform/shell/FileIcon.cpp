#include "platform/shell/FileIcon.h"

#include "platform/fs/OpenRegularFile.h"
#include "platform/fs/Path.h"

#include <QFile>
#include <QIcon>
#include <QMimeDatabase>

#include <cerrno>
#include <unistd.h>

namespace platform {

namespace {

constexpr int iconSize = 32;

// Enough of a file for the type database's content rules; nothing for what cannot be read.
QByteArray Head(const std::string& path)
{
    char bytes[4096];
    try {
        const FileDescriptor file = OpenRegularFile(path);
        ssize_t got;
        do
            got = ::read(file.get(), bytes, sizeof bytes);
        while (got < 0 && errno == EINTR);
        return got > 0 ? QByteArray(bytes, int(got)) : QByteArray();
    } catch (const Exception&) {
        return {};
    }
}

QPixmap ThemeIcon(const std::string& path)
{
    const QString shownName = QFile::decodeName(QByteArray::fromStdString(FileNameOf(path)));
    const QMimeType type = QMimeDatabase().mimeTypeForFileNameAndData(shownName, Head(path));
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    return icon.isNull() ? QPixmap() : icon.pixmap(iconSize, iconSize);
}

FileIconSource& source()
{
    static FileIconSource current = ThemeIcon;
    return current;
}

} // namespace

QPixmap FileIcon(const std::string& path)
{
    return source()(path);
}

FileIconSource setFileIconSource(FileIconSource replacement)
{
    FileIconSource previous = std::move(source());
    source() = replacement ? std::move(replacement) : FileIconSource(ThemeIcon);
    return previous;
}

} // namespace platform
