#include "filemanager/PanelTexts.h"

#include "filemanager/dir.h"
#include "platform/fs/Attributes.h"

#include <QFile>
#include <QLocale>

#include <cstdio>

QString ListingStatusText(const std::string& volume, const std::string& path, int markedCount, int entryCount,
                          std::int64_t markedBytes, const QLocale& locale)
{
    // One substitution pass: a "%3" inside a path stays as it is.
    return QStringLiteral("[%1]  %2 (%3/%4 items), selected: %5 bytes")
        .arg(QFile::decodeName(QByteArray::fromStdString(volume)), QFile::decodeName(QByteArray::fromStdString(path)),
             QString::number(markedCount), QString::number(entryCount), locale.toString(qlonglong(markedBytes)));
}

std::string GroupedNumber(std::int64_t value, const QLocale& locale)
{
    return locale.toString(qlonglong(value)).toStdString();
}

std::string SizeAttributeLabel(const ff& entry, bool showSize, bool showAttributes, const QLocale& locale)
{
    std::string text = showSize ? GroupedNumber(entry.size, locale) : std::string();
    if (showAttributes) {
        const auto letter = [&](std::uint32_t bit, char c) { return (entry.attrib & bit) ? c : '-'; };
        text += "  ";
        text += letter(platform::attrReadOnly, 'r');
        text += letter(platform::attrHidden, 'h');
        text += letter(platform::attrSystem, 's');
        text += letter(platform::attrArchive, 'a');
    }
    return text;
}

std::string DateLabel(const ff& entry)
{
    char text[64];
    std::snprintf(text, sizeof text, "%d.%02d.%02d %02d:%02d", entry.time.year, entry.time.month, entry.time.day,
                  entry.time.hour, entry.time.minute);
    return text;
}
