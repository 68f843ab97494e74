// The viewer's pages of a file of any bytes, handed out in pieces of any size. Hex pages give
// back every byte at its offset, binary pages every byte in lines of 75, and text every
// character, with breaks that leave no line longer than the viewer lays out. Input: one byte
// (bits 0-1 the mode, text, hex, binary, text again; bit 2 a limit of half the file; bits 3-7
// the piece size), then the file.
#include "filemanager/ViewPages.h"

#include <QStringList>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

platform::FileDescriptor FileOf(std::string_view bytes)
{
    platform::FileDescriptor file(::memfd_create("view", MFD_CLOEXEC));
    if (!file || ::write(file.get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())
        || ::lseek(file.get(), 0, SEEK_SET) != 0)
        std::abort();
    return file;
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return u >= '0' && u <= '9' ? u - '0' : u >= 'A' && u <= 'F' ? u - 'A' + 10 : -1;
}

void CheckHex(const QStringList& lines, std::string_view bytes)
{
    if (static_cast<std::size_t>(lines.size()) != (bytes.size() + 15) / 16)
        std::abort();
    for (qsizetype line = 0; line < lines.size(); ++line) {
        const QString& text = lines[line];
        if (text.left(10) != QString::asprintf("%.8llX  ", static_cast<unsigned long long>(16 * line)))
            std::abort();
        for (std::size_t i = 0; i < 16 && 16 * line + i < bytes.size(); ++i) {
            const qsizetype at = 10 + 3 * static_cast<qsizetype>(i) + (i >= 8 ? 1 : 0);
            if (text.size() < at + 2
                || HexDigit(text[at]) * 16 + HexDigit(text[at + 1]) != static_cast<unsigned char>(bytes[16 * line + i]))
                std::abort();
        }
    }
}

// Printable Latin-1 bytes show as themselves; the others as one mark each.
void CheckBinary(const QStringList& lines, std::string_view bytes)
{
    std::size_t at = 0;
    for (const QString& line : lines) {
        if (line.size() > 75 || (line.size() < 75 && at + line.size() != bytes.size()))
            std::abort();
        for (const QChar c : line) {
            const auto byte = static_cast<unsigned char>(bytes[at++]);
            if (((byte >= 0x20 && byte < 0x7F) || (byte >= 0xA0 && byte != 0xAD)) && c.unicode() != byte)
                std::abort();
        }
    }
    if (at != bytes.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int mode = data[0] & 3;
    const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t limit = data[0] & 4 ? file.size() / 2 : file.size();
    const std::size_t budget = 1 + (data[0] >> 3) * 61;

    ViewPages pages(FileOf(file), mode == 3 ? ViewPages::Text : mode, static_cast<std::int64_t>(limit), nullptr);
    QString text; // the characters handed out
    QString shown; // as the view lays them out, with a line feed at each break
    for (int pieces = 0; !pages.AtEnd(); ++pieces) {
        if (pieces > static_cast<int>(size) + 2)
            std::abort(); // every piece but the last holds something
        const ViewPages::Piece piece = pages.Next(budget);
        qsizetype from = 0;
        for (const qsizetype at : piece.breaks) {
            if (at < from || at > piece.text.size())
                std::abort(); // breaks come in order, inside their piece
            shown += QStringView(piece.text).mid(from, at - from);
            shown += u'\n';
            from = at;
        }
        shown += QStringView(piece.text).mid(from);
        text += piece.text;
    }
    if (pages.Truncated() != (limit < file.size()))
        std::abort();
    const std::string_view read = file.substr(0, limit);
    if (mode == ViewPages::Hex || mode == ViewPages::Binary) {
        QStringList lines = text.isEmpty() ? QStringList() : text.split(u'\n');
        if (!lines.isEmpty() && !lines.takeLast().isEmpty())
            std::abort(); // pages end every line
        if (mode == ViewPages::Hex)
            CheckHex(lines, read);
        else
            CheckBinary(lines, read);
        return 0;
    }
    // The editor breaks lines at a lone CR as well.
    for (const QStringView line : QStringView(shown).split(u'\n'))
        for (const QStringView part : line.split(u'\r'))
            if (part.size() > ViewPages::longestLine + 1)
                std::abort();
    if (limit == file.size()) {
        const QByteArrayView whole(read.data(), static_cast<qsizetype>(read.size()));
        if (text != (whole.isValidUtf8() ? QString::fromUtf8(whole) : QString::fromLatin1(whole)))
            std::abort();
    }
    return 0;
}
