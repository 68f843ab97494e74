#pragma once

#include "filemanager/Converter.h"
#include "filemanager/dir.h"
#include "platform/base/FileDescriptor.h"

#include <QString>
#include <QStringDecoder>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What a viewer shows of one file, handed out a piece at a time, so that showing the start of
// a large file costs only the start. The file is read once, up to a limit, when the pages are
// made; the pieces are then made from those bytes as the viewer asks for them.
class ViewPages {
public:
    enum Mode { Text = 0, Hex = 1, Binary = 2 };

    // Reads at most `limit` bytes of the file. Page modes report their progress to the
    // titleBar (may be null) once per piece, showing the last stream position.
    ViewPages(const platform::FileDescriptor& file, int mode, std::int64_t limit, TitleBar* titleBar);
    ~ViewPages();
    ViewPages(const ViewPages&) = delete;
    ViewPages& operator=(const ViewPages&) = delete;

    // The file holds more than the limit.
    bool Truncated() const { return truncated_; }
    // Reading stopped at an error; the pages show what was read before it.
    bool ReadError() const { return readError_; }
    bool AtEnd() const { return finished_; }

    // A piece of display text, and the places in it (offsets into `text`, in order) where
    // the view starts a new line that the file does not have.
    struct Piece {
        QString text;
        std::vector<qsizetype> breaks;
    };

    // The next piece of display text, of about `budget` characters or the rest. Text shows
    // as UTF-8 when the whole file is valid UTF-8, else as Latin-1; hex and binary pages show
    // as Latin-1, with the control byte mark and the other invisible bytes drawn as "·".
    // Text pieces end after a line break where they can, and never between CR and LF. A
    // line of text longer than longestLine characters is to be shown broken into lines of
    // that length: the editor lays out a line whole, so a file of megabytes without a line
    // feed (zeros, minified data) would stall it.
    Piece Next(std::size_t budget);

    static constexpr qsizetype longestLine = 1024;

private:
    class LatestTitle;

    Piece NextText(std::size_t budget);
    Piece NextPages(std::size_t budget);
    std::vector<qsizetype> LongLineBreaks(const QString& text);
    void Finish();

    std::string bytes_;
    std::size_t shownSize_ = 0; // the bytes shown: a character cut by the limit is left out
    bool truncated_ = false;
    bool readError_ = false;
    bool finished_ = false;
    // Text mode
    bool utf8_ = false;
    QStringDecoder decoder_;
    std::size_t textPosition_ = 0;
    qsizetype lineLength_ = 0; // characters of the last line shown so far
    // Page modes
    std::unique_ptr<LatestTitle> progress_;
    std::unique_ptr<platform::MemoryStream> stream_;
    std::unique_ptr<TConversion> conversion_;
};
