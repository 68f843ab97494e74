#include "platform/fs/Names.h"

#include "platform/base/AsciiCase.h"

#include <QString>

#include <algorithm>

namespace platform {
namespace {
bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
} // namespace

std::string LowerName(std::string_view name)
{
    if (!IsAscii(name)) {
        const QByteArray bytes = QByteArray::fromRawData(name.data(), qsizetype(name.size()));
        const QString text = QString::fromUtf8(bytes);
        if (text.toUtf8() == bytes)
            return text.toLower().toStdString();
    }
    return AsciiLowerCase(name);
}

std::string ExtensionOf(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::size_t CharacterLength(std::string_view text, std::size_t at)
{
    std::size_t length = 1;
    if (static_cast<unsigned char>(text[at]) >= 0xC0)
        while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80)
            ++length;
    return length;
}

} // namespace platform
