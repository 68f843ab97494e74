#include "net/WSockBuf.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string unread(const TBuffer& chunk)
{
    std::int32_t length = 0;
    const char* data = chunk.Peek(length);
    return data ? std::string(data, static_cast<std::size_t>(length)) : std::string();
}

} // namespace

TEST(TBuffer, ADrainedChunkIsFilledFromItsStartAgain)
{
    TBuffer chunk(16);
    EXPECT_EQ(chunk.Write("0123456789", 10), 10);
    char out[16];
    EXPECT_EQ(chunk.Read(out, 10), 10);
    EXPECT_EQ(chunk.Write("abcdefghijklmnopqrstuvwxyz", 26), 16) << "the whole block is free again";
    EXPECT_EQ(unread(chunk), "abcdefghijklmnop");
    EXPECT_EQ(chunk.Write("x", 1), 0);
}

TEST(TBuffer, ReadPeekAndRemoveTakeOnlyWhatIsUnread)
{
    TBuffer chunk(8);
    chunk.Write("abcde", 5);
    char out[8];
    EXPECT_EQ(chunk.Read(out, 2), 2);
    EXPECT_EQ(chunk.Remove(100), 3);
    EXPECT_EQ(chunk.GetBufUsed(), 0);
    std::int32_t length = -1;
    EXPECT_EQ(chunk.Peek(length), nullptr);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(chunk.Read(out, 8), 0);
    EXPECT_EQ(chunk.Remove(1), 0);
    EXPECT_EQ(chunk.Write("abc", -1), 0);
}

TEST(TBuffer, SizeChangesKeepUnreadBytes)
{
    TBuffer chunk(0);
    EXPECT_EQ(chunk.BufSize(), 1514);
    chunk.SetBufSize(-5);
    EXPECT_EQ(chunk.BufSize(), 1514);
    chunk.SetBufSize(10);
    chunk.Write("0123456789", 10);
    char out[4];
    chunk.Read(out, 4);
    chunk.SetBufSize(20);
    EXPECT_EQ(unread(chunk), "456789");
    // Shrinking below what is stored would lose bytes: the block keeps room for them.
    chunk.SetBufSize(3);
    EXPECT_EQ(chunk.BufSize(), 10);
    EXPECT_EQ(unread(chunk), "456789");
    chunk.Remove(6);
    chunk.SetBufSize(3);
    EXPECT_EQ(chunk.BufSize(), 3);
}

TEST(TBufferList, FourThousandBytesFillThreeChunksOfTheSocketSize)
{
    TBufferList queue(1460);
    const std::string data(4000, 'q');
    queue.PutData(data.data(), 4000);
    ASSERT_EQ(queue.ChunkCount(), 3u);
    EXPECT_EQ(queue.Chunk(0).GetBufUsed(), 1460);
    EXPECT_EQ(queue.Chunk(1).GetBufUsed(), 1460);
    EXPECT_EQ(queue.Chunk(2).GetBufUsed(), 1080);
    queue.PutData(nullptr, 10);
    queue.PutData(data.data(), 0);
    EXPECT_EQ(queue.ChunkCount(), 3u);
}

// Random puts and partial sends against a plain string: what leaves the queue is exactly
// what went in, in order, and drained chunks do not pile up.
TEST(TBufferList, BehavesLikeOneByteStream)
{
    std::mt19937 random(12345);
    TBufferList queue(1460);
    std::string sent;
    std::string written;
    for (int step = 0; step < 20000; ++step) {
        if (random() % 2) {
            const int length = static_cast<int>(random() % 4000);
            std::string data(static_cast<std::size_t>(length), '\0');
            for (char& c : data)
                c = static_cast<char>(random());
            queue.PutData(data.data(), length);
            written += data;
        } else {
            std::int32_t length = 0;
            const char* data = queue.PeekFirst(length);
            if (!data)
                continue;
            const int count = static_cast<int>(random() % (static_cast<unsigned>(length) + 1));
            sent.append(data, static_cast<std::size_t>(count));
            queue.RemoveFirst(count);
        }
        ASSERT_EQ(queue.IsEmpty(), written.size() == sent.size());
    }
    std::int32_t length = 0;
    while (const char* data = queue.PeekFirst(length)) {
        sent.append(data, static_cast<std::size_t>(length));
        queue.RemoveFirst(length);
    }
    EXPECT_EQ(sent, written);
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(queue.ChunkCount(), 1u);
    queue.Clear();
    EXPECT_EQ(queue.ChunkCount(), 0u);
    EXPECT_TRUE(queue.IsEmpty());
}
