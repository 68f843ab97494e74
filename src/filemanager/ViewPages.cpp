#include "filemanager/ViewPages.h"

#include <QByteArrayView>

#include <algorithm>
#include <array>
#include <cerrno>
#include <span>

#include <sys/stat.h>
#include <unistd.h>

// Keeps the last progress a conversion reported, so that the window's caption changes once
// per piece instead of once per block.
class ViewPages::LatestTitle final : public TitleBar {
public:
    explicit LatestTitle(TitleBar* target) : target_(target) {}
    std::string Title() const override { return latest_; }
    void SetTitle(const std::string& title) override { latest_ = title; }
    void Flush() const
    {
        if (target_ && !latest_.empty())
            target_->SetTitle(latest_);
    }

private:
    TitleBar* target_;
    std::string latest_;
};

namespace {

constexpr std::size_t readStep = std::size_t(1) << 20;

// The length of the bytes without a multi-byte UTF-8 sequence cut off at their end.
std::size_t WithoutCutCharacter(const std::string& bytes)
{
    const std::size_t size = bytes.size();
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, size); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue;
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

// What each byte of a hex or binary page is drawn as. The control byte mark and the other
// bytes that Latin-1 leaves invisible (DEL, the C1 controls, the soft hyphen) become a
// visible dot, so that every byte takes one column.
const std::array<char16_t, 256>& PageGlyphs()
{
    static const std::array<char16_t, 256> glyphs = [] {
        std::array<char16_t, 256> table{};
        for (int byte = 0; byte < 256; ++byte)
            table[byte] = (byte >= 0x7F && byte <= 0x9F) || byte == 0xAD ? u'\u00B7' : char16_t(byte);
        return table;
    }();
    return glyphs;
}

QString PageText(const std::string& text)
{
    const auto& glyphs = PageGlyphs();
    QString shown(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(shown.data());
    for (const char byte : text)
        *out++ = glyphs[static_cast<unsigned char>(byte)];
    return shown;
}

} // namespace

ViewPages::ViewPages(const platform::FileDescriptor& file, int mode, std::int64_t limit, TitleBar* titleBar)
{
    const auto cap = static_cast<std::size_t>(std::max<std::int64_t>(limit, 0));
    struct stat status {};
    if (::fstat(file.get(), &status) == 0 && status.st_size > 0)
        bytes_.reserve(std::min(cap, static_cast<std::size_t>(status.st_size)));
    while (bytes_.size() < cap) {
        const std::size_t had = bytes_.size();
        bytes_.resize(had + std::min(readStep, cap - had));
        const ssize_t got = ::read(file.get(), bytes_.data() + had, bytes_.size() - had);
        const bool interrupted = got < 0 && errno == EINTR;
        bytes_.resize(had + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (interrupted)
            continue;
        readError_ = got < 0;
        if (got <= 0)
            break;
    }
    if (bytes_.size() == cap) {
        char probe;
        ssize_t got;
        do
            got = ::read(file.get(), &probe, 1);
        while (got < 0 && errno == EINTR);
        truncated_ = got > 0;
        readError_ = got < 0;
    }

    shownSize_ = bytes_.size();
    if (mode == Text) {
        const std::size_t whole = truncated_ ? WithoutCutCharacter(bytes_) : bytes_.size();
        utf8_ = QByteArrayView(bytes_.data(), static_cast<qsizetype>(whole)).isValidUtf8();
        if (utf8_) {
            shownSize_ = whole;
            decoder_ = QStringDecoder(QStringDecoder::Utf8);
        }
        if (shownSize_ == 0)
            Finish();
        return;
    }
    progress_ = std::make_unique<LatestTitle>(titleBar);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes_.data());
    stream_ = std::make_unique<platform::MemoryStream>(
        platform::MemoryStream::borrowing(std::span<const std::uint8_t>(data, bytes_.size())));
    if (mode == Hex)
        conversion_ = std::make_unique<THexConversion>(progress_.get());
    else
        conversion_ = std::make_unique<TBinConversion>(progress_.get());
}

ViewPages::~ViewPages() = default;

ViewPages::Piece ViewPages::Next(std::size_t budget)
{
    if (finished_)
        return {};
    return conversion_ ? NextPages(budget) : NextText(budget);
}

ViewPages::Piece ViewPages::NextText(std::size_t budget)
{
    const std::size_t start = textPosition_;
    std::size_t end = std::min(shownSize_, start + std::max<std::size_t>(budget, 2));
    if (end < shownSize_) {
        const std::size_t lineFeed = bytes_.rfind('\n', end - 1);
        if (lineFeed != std::string::npos && lineFeed >= start)
            end = lineFeed + 1;
        else if (bytes_[end - 1] == '\r')
            --end;
    }
    textPosition_ = end;
    const char* piece = bytes_.data() + start;
    const auto length = static_cast<qsizetype>(end - start);
    Piece next;
    next.text = utf8_ ? decoder_.decode(QByteArrayView(piece, length)) : QString::fromLatin1(piece, length);
    if (end == shownSize_)
        Finish();
    next.breaks = LongLineBreaks(next.text);
    return next;
}

std::vector<qsizetype> ViewPages::LongLineBreaks(const QString& text)
{
    std::vector<qsizetype> breaks;
    qsizetype run = lineLength_;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        run = c == u'\n' || c == u'\r' ? 0 : run + 1;
        if (run > longestLine && !c.isLowSurrogate()) {
            breaks.push_back(i);
            run = 1;
        }
    }
    lineLength_ = run;
    return breaks;
}

// Everything is handed out: the file's bytes are no longer needed.
void ViewPages::Finish()
{
    finished_ = true;
    stream_.reset();
    bytes_ = std::string();
}

ViewPages::Piece ViewPages::NextPages(std::size_t budget)
{
    std::string text;
    text.reserve(budget + 2 * THexConversion::minBuffer);
    char block[2048];
    static_assert(sizeof block > TBinConversion::minBuffer && sizeof block > THexConversion::minBuffer);
    while (text.size() < budget) {
        const std::size_t length = conversion_->ConvertReadStream(*stream_, block, sizeof block);
        if (length == 0) {
            Finish();
            break;
        }
        text.append(block, length);
    }
    progress_->Flush();
    return {PageText(text), {}};
}
