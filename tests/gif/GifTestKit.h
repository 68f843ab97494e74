#pragma once

// Test-side tools shared by the GIF tests: a GIF byte builder, an LZW code writer that
// follows the format's code-width rules on its own, a loader that records warnings, and a
// runner for the independent producers and decoders (gifsicle, ImageMagick, giflib's tools).

#include "gif/GIFImage.h"
#include "gif/GIFStreamOps.h"
#include "platform/graphics/Stream.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

// A frame's pixels against plain bytes (found by argument lookup through their allocator).
inline bool operator==(const TGIFPixels& pixels, const std::vector<std::uint8_t>& bytes)
{
    return std::equal(pixels.begin(), pixels.end(), bytes.begin(), bytes.end());
}

namespace giftest {

using Bytes = std::vector<std::uint8_t>;

inline void Append(Bytes& out, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        out.push_back(static_cast<std::uint8_t>(b));
}

inline void AppendLE16(Bytes& out, int value)
{
    Append(out, {value & 0xFF, (value >> 8) & 0xFF});
}

// The code width as a decoder sees it: minimum size + 1 after a clear, one bit more
// whenever the string table reaches the next power of two, never more than 12.
class CodeWidth {
public:
    explicit CodeWidth(int minCodeSize) : min_(minCodeSize) { reset(); }

    int clearCode() const { return 1 << min_; }
    int endCode() const { return clearCode() + 1; }
    // The entry the decoder fills next, before the code being read adds one.
    int nextFree() const { return nextFree_; }
    int width() const { return width_; }

    // Follows the table after `code` was read.
    void step(int code)
    {
        if (code == clearCode()) {
            reset();
        } else if (code != endCode()) {
            if (first_)
                first_ = false;
            else if (nextFree_ < 4096 && ++nextFree_ >= (1 << width_) && width_ < 12)
                ++width_;
        }
    }

protected:
    int min_;

private:
    void reset()
    {
        width_ = min_ + 1;
        nextFree_ = clearCode() + 2;
        first_ = true;
    }

    int width_ = 0;
    int nextFree_ = 0;
    bool first_ = true;
};

// Writes LZW codes LSB first into data sub-blocks, each at the decoder's width.
class CodeWriter : public CodeWidth {
public:
    using CodeWidth::CodeWidth;

    void put(int code)
    {
        bits_ |= static_cast<std::uint64_t>(code) << count_;
        count_ += width();
        while (count_ >= 8) {
            data_.push_back(static_cast<std::uint8_t>(bits_));
            bits_ >>= 8;
            count_ -= 8;
        }
        step(code);
    }

    // The minimum code size byte, the data in sub-blocks of `blockSize`, and (unless
    // told otherwise) the zero terminator.
    Bytes imageData(bool terminator = true, int blockSize = 255) const
    {
        Bytes packed = data_;
        if (count_ > 0)
            packed.push_back(static_cast<std::uint8_t>(bits_));
        Bytes out{static_cast<std::uint8_t>(min_)};
        for (std::size_t at = 0; at < packed.size(); at += static_cast<std::size_t>(blockSize)) {
            const std::size_t n = std::min(packed.size() - at, static_cast<std::size_t>(blockSize));
            out.push_back(static_cast<std::uint8_t>(n));
            out.insert(out.end(), packed.begin() + static_cast<std::ptrdiff_t>(at),
                       packed.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        if (terminator)
            out.push_back(0);
        return out;
    }

private:
    Bytes data_;
    std::uint64_t bits_ = 0;
    int count_ = 0;
};

// A plain LZW compressor over CodeWriter. With `clearWhenFull` false it keeps coding
// with the full table (a deferred clear) until `clearAfter` more codes, then clears.
inline Bytes EncodeLZW(const Bytes& pixels, int minCodeSize, bool clearWhenFull = true, int clearAfter = 0)
{
    CodeWriter writer(minCodeSize);
    std::map<std::pair<int, int>, int> table;
    writer.put(writer.clearCode());
    int next = writer.clearCode() + 2;
    int prefix = -1;
    int codesSinceFull = 0;
    for (std::uint8_t pixel : pixels) {
        if (prefix < 0) {
            prefix = pixel;
            continue;
        }
        const auto found = table.find({prefix, pixel});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        writer.put(prefix);
        if (next < 4096) {
            table[{prefix, pixel}] = next++;
        } else if (clearWhenFull || ++codesSinceFull > clearAfter) {
            writer.put(writer.clearCode());
            table.clear();
            next = writer.clearCode() + 2;
            codesSinceFull = 0;
        }
        prefix = pixel;
    }
    if (prefix >= 0)
        writer.put(prefix);
    writer.put(writer.endCode());
    return writer.imageData();
}

// Builds GIF files block by block.
class GifBuilder {
public:
    GifBuilder& header(int width, int height, int globalColors = 4, int background = 0, const char* version = "89a")
    {
        Append(bytes, {'G', 'I', 'F', version[0], version[1], version[2]});
        AppendLE16(bytes, width);
        AppendLE16(bytes, height);
        const int sizeBits = globalColors > 0 ? ColorBitsFor(static_cast<std::size_t>(globalColors)) - 1 : 0;
        Append(bytes, {globalColors > 0 ? 0x80 | 0x70 | sizeBits : 0, background, 0});
        colorTable(globalColors);
        return *this;
    }
    // Entries 0..n-1 with distinct colours (i*40, 255-i, i*7).
    GifBuilder& colorTable(int entries)
    {
        const int padded = entries > 0 ? 1 << ColorBitsFor(static_cast<std::size_t>(entries)) : 0;
        for (int i = 0; i < padded; ++i)
            Append(bytes, {(i * 40) & 0xFF, (255 - i) & 0xFF, (i * 7) & 0xFF});
        return *this;
    }
    GifBuilder& graphicControl(int flags, int delay, int transparentIndex)
    {
        Append(bytes, {'!', 0xF9, 4, flags});
        AppendLE16(bytes, delay);
        Append(bytes, {transparentIndex, 0});
        return *this;
    }
    GifBuilder& descriptor(int left, int top, int width, int height, int flags = 0)
    {
        bytes.push_back(',');
        AppendLE16(bytes, left);
        AppendLE16(bytes, top);
        AppendLE16(bytes, width);
        AppendLE16(bytes, height);
        bytes.push_back(static_cast<std::uint8_t>(flags));
        return *this;
    }
    // A whole frame without a local table: descriptor and compressed pixels.
    GifBuilder& frame(int left, int top, int width, int height, const Bytes& pixels, int minCodeSize = 2, int flags = 0)
    {
        descriptor(left, top, width, height, flags);
        return raw(EncodeLZW(pixels, minCodeSize));
    }
    GifBuilder& raw(const Bytes& more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    GifBuilder& raw(std::initializer_list<int> more)
    {
        Append(bytes, more);
        return *this;
    }
    GifBuilder& trailer() { return raw({';'}); }

    Bytes bytes;
};

struct Loaded {
    std::unique_ptr<TGIFImage> image = std::make_unique<TGIFImage>();
    std::vector<std::string> warnings;
    std::string error; // the GIFException's text when the load failed

    TGIFSubImage& frame(int index) const { return *image->Images.GetImage(index); }
    bool warned(std::string_view text) const
    {
        for (const auto& w : warnings)
            if (w == text)
                return true;
        return false;
    }
};

inline Loaded Load(const Bytes& bytes, const GifLimits& limits = {})
{
    Loaded result;
    result.image->Limits = limits;
    result.image->OnCodecWarning = [&result](GifPersistent*, TGIFSeverity, std::string_view message) {
        result.warnings.emplace_back(message);
    };
    auto stream = platform::MemoryStream::borrowing(bytes);
    try {
        result.image->LoadFromStream(stream);
    } catch (const GIFException& e) {
        result.error = e.what();
    }
    result.image->OnCodecWarning = nullptr;
    return result;
}

// Loads `bytes` and draws every frame and the still composite: anything but success or a GIFException, or a load
// that takes a second, fails the calling test.
inline void LoadsOrFailsCleanly(const Bytes& bytes, const std::string& what)
{
    TGIFImage image;
    auto stream = platform::MemoryStream::borrowing(bytes);
    const auto start = std::chrono::steady_clock::now();
    try {
        image.LoadFromStream(stream);
        for (const auto& frame : image.Images)
            frame->GetBitmap();
        image.GetBitmap();
    } catch (const GIFException&) {
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": " << e.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << what;
}

// Runs a program with an argument vector (no shell); answers its exit code, or -1 when
// it did not start or finish within a minute. Standard output goes to `output`, standard
// error to `errors`.
inline int RunTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr,
                   QByteArray* errors = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000) || !process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(1000);
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput();
    if (errors)
        *errors = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// ImageMagick's own convert: a stand-in earlier in PATH must not be taken for it.
inline QString ImageMagick()
{
    return QStringLiteral("/usr/bin/convert");
}

inline Bytes Saved(TGIFImage& image)
{
    platform::MemoryStream out;
    image.SaveToStream(out);
    return {out.bytes().begin(), out.bytes().end()};
}

inline Bytes ReadBytes(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray content = file.readAll();
    return {content.begin(), content.end()};
}

inline void WriteBytes(const QString& path, const Bytes& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

struct FrameInfo {
    int width, height, left, top, delay, disposal;
};

inline int DisposalFromName(const std::string& name)
{
    if (name == "None")
        return dmNoDisposal;
    if (name == "Background")
        return dmBackground;
    if (name == "Previous")
        return dmPrevious;
    return dmNone; // "Undefined"
}

// Loads the file with our codec and compares every frame with ImageMagick's reading.
// ImageMagick takes a frame's timing from its last graphic control extension and carries
// it on to frames without one, so pictures that rely on the first one compare pixels and
// geometry only.
inline Loaded CompareWithImageMagick(const QString& path, bool compareTiming = true)
{
    const std::string name = path.toStdString();
    Loaded ours = Load(ReadBytes(path));
    EXPECT_EQ(ours.error, "") << name;

    QByteArray rgba, info;
    EXPECT_EQ(RunTool(ImageMagick(), {path, QStringLiteral("rgba:-")}, &rgba), 0);
    EXPECT_EQ(
        RunTool(ImageMagick(),
                {path, QStringLiteral("-format"), QStringLiteral("%w %h %X %Y %T %D\\n"), QStringLiteral("info:")},
                &info),
        0);
    std::vector<FrameInfo> theirs;
    std::istringstream lines(info.toStdString());
    for (FrameInfo f{};;) {
        std::string disposal;
        if (!(lines >> f.width >> f.height >> f.left >> f.top >> f.delay >> disposal))
            break;
        f.disposal = DisposalFromName(disposal);
        theirs.push_back(f);
    }

    std::vector<const TGIFSubImage*> frames;
    for (const auto& frame : ours.image->Images)
        if (!frame->GetEmpty())
            frames.push_back(frame.get());
    EXPECT_EQ(frames.size(), theirs.size()) << name;
    std::size_t at = 0;
    for (std::size_t i = 0; i < std::min(frames.size(), theirs.size()); ++i) {
        const TGIFSubImage& frame = *frames[i];
        const FrameInfo& expected = theirs[i];
        const std::string where = name + " frame " + std::to_string(i);
        EXPECT_EQ(frame.GetWidth(), expected.width) << where;
        EXPECT_EQ(frame.GetHeight(), expected.height) << where;
        EXPECT_EQ(frame.GetLeft(), expected.left) << where;
        EXPECT_EQ(frame.GetTop(), expected.top) << where;
        const TGIFGraphicControlExtension* control = frame.GetGraphicControlExtension();
        if (compareTiming) {
            EXPECT_EQ(control ? control->GetDelay() : 0, expected.delay) << where;
            EXPECT_EQ(control ? static_cast<int>(control->GetDisposal()) : 0, expected.disposal) << where;
        }

        const TGIFColorMap& table = frame.GetActiveColorMap();
        const int transparent = frame.GetTransparentIndex();
        int differences = 0;
        for (std::uint8_t index : frame.GetData()) {
            if (at + 4 > static_cast<std::size_t>(rgba.size()))
                break;
            const auto* p = reinterpret_cast<const std::uint8_t*>(rgba.constData()) + at;
            at += 4;
            const bool clear = index == transparent;
            const platform::Rgb c = table.LookupPadded(index);
            if ((p[3] == 0) != clear || (!clear && (p[0] != c.r || p[1] != c.g || p[2] != c.b)))
                ++differences;
        }
        EXPECT_EQ(differences, 0) << where;
    }
    EXPECT_EQ(at, static_cast<std::size_t>(rgba.size())) << name;
    return ours;
}

// gifsicle decodes every frame when it writes one out, and says so on standard error when
// data is damaged or pixels are missing ("--info" would only walk the structure). Its
// advice about the copy it writes (local tables of many colours) is about its output only.
inline void ExpectGifsicleDecodesCleanly(const QString& path)
{
    QByteArray errors;
    EXPECT_EQ(RunTool(QStringLiteral("gifsicle"), {path, QStringLiteral("-o"), QStringLiteral("/dev/null")}, nullptr,
                      &errors),
              0)
        << path.toStdString();
    std::string complaints;
    std::istringstream lines(errors.toStdString());
    for (std::string line; std::getline(lines, line);)
        if (line.find("too many colors, using local colormaps") == std::string::npos
            && line.find("--colors 256") == std::string::npos)
            complaints += line + "\n";
    EXPECT_EQ(complaints, "") << path.toStdString();
}

// giflib's own reading of every frame's indices, frames one after another and each
// frame's rows in the order the file holds them.
inline Bytes GiftextIndices(const QString& path)
{
    QByteArray raw, errors;
    EXPECT_EQ(RunTool(QStringLiteral("giftext"), {QStringLiteral("-r"), path}, &raw, &errors), 0)
        << path.toStdString() << ": " << errors.toStdString();
    return {raw.begin(), raw.end()};
}

} // namespace giftest
