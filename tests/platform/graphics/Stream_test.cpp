#include "platform/base/Exception.h"
#include "platform/graphics/FileReplace.h"
#include "platform/graphics/FileStream.h"
#include "platform/graphics/QIODeviceStream.h"
#include "platform/graphics/Stream.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

using namespace platform;

namespace {

const std::vector<std::uint8_t> kBytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

// A QIODeviceStream that owns its buffer, for the tests.
class BufferStream : public Stream {
public:
    BufferStream() : buffer_(), stream_(buffer_)
    {
        buffer_.setData(reinterpret_cast<const char*>(kBytes.data()), static_cast<qsizetype>(kBytes.size()));
        buffer_.open(QIODevice::ReadWrite);
    }
    std::int64_t position() const override { return stream_.position(); }
    std::int64_t size() const override { return stream_.size(); }
    std::size_t read(void* b, std::size_t n) override { return stream_.read(b, n); }
    void write(const void* b, std::size_t n) override { stream_.write(b, n); }
    void setPosition(std::int64_t p) override { stream_.setPosition(p); }

private:
    QBuffer buffer_;
    QIODeviceStream stream_;
};

// Every kind of stream, opened on kBytes.
std::vector<std::pair<std::string, std::function<std::unique_ptr<Stream>()>>> Kinds(const QTemporaryDir& dir)
{
    const std::string file = dir.filePath("bytes").toStdString();
    {
        FileStream out(file, FileStream::Mode::Create);
        out.write(kBytes.data(), kBytes.size());
    }
    return {
        {"owning memory", [] { return std::make_unique<MemoryStream>(kBytes); }},
        {"borrowing memory", [] { return std::make_unique<MemoryStream>(MemoryStream::borrowing(kBytes)); }},
        {"file", [file] { return std::make_unique<FileStream>(file, FileStream::Mode::Read); }},
        {"Qt device", [] { return std::make_unique<BufferStream>(); }},
    };
}

} // namespace

TEST(Stream, ReadSeekAndEndBehaveAlikeForEveryKind)
{
    QTemporaryDir dir;
    for (const auto& [name, open] : Kinds(dir)) {
        const auto stream = open();
        EXPECT_EQ(stream->size(), 10) << name;
        std::uint8_t buffer[16] = {};
        EXPECT_EQ(stream->read(buffer, 4), 4u) << name;
        EXPECT_EQ(buffer[3], 4);
        EXPECT_EQ(stream->position(), 4);
        stream->seek(-2);
        EXPECT_EQ(stream->readByte(), 3) << name;
        EXPECT_EQ(stream->read(buffer, 16), 7u) << "a short read at the end: " << name;
        EXPECT_EQ(buffer[6], 10);
        EXPECT_EQ(stream->readByte(), -1);
        stream->seek(1000);
        EXPECT_EQ(stream->position(), 10) << "seeks clamp: " << name;
        EXPECT_EQ(stream->read(buffer, 1), 0u);
        stream->seek(-1000);
        EXPECT_EQ(stream->position(), 0);
        stream->setPosition(9);
        EXPECT_EQ(stream->readByte(), 10);
    }
}

TEST(Stream, WritingGrowsMemoryAndNeverTouchesBorrowedBytes)
{
    std::vector<std::uint8_t> original = kBytes;
    auto stream = MemoryStream::borrowing(original);
    stream.setPosition(8);
    const std::uint8_t more[4] = {0xA, 0xB, 0xC, 0xD};
    stream.write(more, 4);
    EXPECT_EQ(stream.size(), 12);
    EXPECT_EQ(stream.bytes()[11], 0xD);
    EXPECT_EQ(original, kBytes);
    // Room made ahead changes nothing that reads can see.
    auto reserved = MemoryStream::borrowing(original);
    reserved.setPosition(3);
    reserved.reserve(1 << 20);
    EXPECT_EQ(reserved.size(), static_cast<std::int64_t>(kBytes.size()));
    EXPECT_EQ(reserved.position(), 3);
    EXPECT_TRUE(std::equal(kBytes.begin(), kBytes.end(), reserved.bytes().begin()));
    reserved.write(more, 4);
    EXPECT_EQ(reserved.bytes()[3], 0xA);
    EXPECT_EQ(original, kBytes);

    MemoryStream grown;
    for (int i = 0; i < 1000; ++i)
        grown.write(more, 4);
    EXPECT_EQ(grown.size(), 4000);
    MemoryStream moved = std::move(grown);
    EXPECT_EQ(moved.bytes()[3999], 0xD);
}

TEST(Stream, TakenBytesKeepTheirRoomAndLeaveTheStreamEmpty)
{
    MemoryStream written;
    written.reserve(1 << 16);
    written.write(kBytes.data(), kBytes.size());
    std::vector<std::uint8_t> room = written.takeBytes();
    EXPECT_EQ(room, kBytes);
    EXPECT_GE(room.capacity(), 1u << 16) << "the room comes along";
    EXPECT_EQ(written.size(), 0);
    EXPECT_EQ(written.position(), 0);

    room.clear();
    MemoryStream reused(std::move(room));
    EXPECT_EQ(reused.size(), 0) << "room alone holds no bytes";
    reused.write(kBytes.data(), 3);
    EXPECT_EQ(std::vector<std::uint8_t>(reused.bytes().begin(), reused.bytes().end()),
              std::vector<std::uint8_t>(kBytes.begin(), kBytes.begin() + 3));

    // Borrowed bytes are copied out, never taken from their owner.
    std::vector<std::uint8_t> original = kBytes;
    auto borrowing = MemoryStream::borrowing(original);
    EXPECT_EQ(borrowing.takeBytes(), kBytes);
    EXPECT_EQ(original, kBytes);
    EXPECT_EQ(borrowing.size(), 0);
}

TEST(Stream, FilesThatCannotBeOpenedSaySo)
{
    try {
        FileStream stream("/nonexistent/dir/x.gif", FileStream::Mode::Read);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/dir/x.gif"), std::string::npos);
    }
}

TEST(Stream, AFileWrittenPastItsEndGetsAHoleAndNothingMoves)
{
    QTemporaryDir dir;
    const std::string file = dir.filePath("ten").toStdString();
    FileStream(file, FileStream::Mode::Create).write(kBytes.data(), kBytes.size());
    FileStream stream(file, FileStream::Mode::Write);
    const FileStream::State before = stream.state();
    stream.setPosition(20);
    EXPECT_EQ(stream.position(), 20);
    stream.write("abc", 3);
    EXPECT_EQ(stream.size(), 23);
    EXPECT_TRUE(stream.state().sameFile(before));
    EXPECT_NE(stream.state(), before) << "a write shows in the state";
    std::uint8_t bytes[23] = {};
    FileStream reader(file, FileStream::Mode::Read);
    ASSERT_EQ(reader.read(bytes, 23), 23u);
    EXPECT_EQ(bytes[9], 10);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes + 10, bytes + 20), std::vector<std::uint8_t>(10, 0));
    EXPECT_EQ(bytes[22], 'c');
}

TEST(Stream, AReplacementTakesTheNameOnlyWhenCommitted)
{
    QTemporaryDir dir;
    const std::string file = dir.filePath("kept").toStdString();
    FileStream(file, FileStream::Mode::Create).write("old", 3);
    ::chmod(file.c_str(), 0640);
    const auto entries = [&] {
        return std::distance(std::filesystem::directory_iterator(dir.path().toStdString()),
                             std::filesystem::directory_iterator());
    };
    const auto contents = [&] {
        char bytes[8] = {};
        return std::string(bytes, FileStream(file, FileStream::Mode::Read).read(bytes, sizeof bytes));
    };
    {
        FileReplacement abandoned(file);
        abandoned.stream().write("new", 3);
        EXPECT_EQ(entries(), 2);
        EXPECT_EQ(contents(), "old");
    }
    EXPECT_EQ(entries(), 1) << "an abandoned replacement leaves nothing behind";
    EXPECT_EQ(contents(), "old");

    FileStream reader(file, FileStream::Mode::Read);
    FileReplacement replacement(file);
    replacement.stream().write("newer", 5);
    replacement.commit();
    EXPECT_EQ(contents(), "newer");
    char bytes[8] = {};
    EXPECT_EQ(std::string(bytes, reader.read(bytes, sizeof bytes)), "old") << "a reader keeps the file it opened";
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(), 1);

    EXPECT_THROW(FileReplacement(dir.path().toStdString()), Exception) << "a directory is not replaced";
    EXPECT_THROW(FileReplacement(dir.filePath("no/such").toStdString()), Exception);
    EXPECT_EQ(entries(), 1);
}
