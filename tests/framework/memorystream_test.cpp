// The portable streams: TStream's own operations and the stream in memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "framework/exceptions.h"
#include "framework/streams.h"
#include "tests/support/stream_text.h"

namespace {

using zv::test::ReadAll;
using zv::test::WriteText;

// A target that takes at most Room bytes in all, as a full disk or a closed pipe would.
class TShortStream : public TMemoryStream {
public:
    explicit TShortStream(int room) : FRoom(room) {}
    int Write(const void* buffer, int count) override
    {
        int n = count < FRoom ? count : FRoom;
        FRoom -= n;
        return TMemoryStream::Write(buffer, n);
    }

private:
    int FRoom;
};

// ---- TMemoryStream ----

TEST(TMemoryStream, WritesAndReadsBackAtPositions)
{
    TMemoryStream stream;
    WriteText(stream, "Hello, world");
    EXPECT_EQ(stream.Size(), 12);
    EXPECT_EQ(stream.Position(), 12);
    EXPECT_EQ(std::string(static_cast<const char*>(stream.Memory()), 12), "Hello, world");

    stream.SetPosition(7);
    WriteText(stream, "there!");
    EXPECT_EQ(ReadAll(stream), "Hello, there!");

    char buffer[8] = {};
    stream.SetPosition(9);
    EXPECT_EQ(stream.Read(buffer, 8), 4) << "a read past the end moves what there is";
    EXPECT_EQ(std::string(buffer, 4), "ere!");
    EXPECT_EQ(stream.Read(buffer, 8), 0);
}

TEST(TMemoryStream, SeekCountsFromEachOrigin)
{
    struct Case {
        const char* label;
        std::int64_t offset;
        TSeekOrigin origin;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"from the beginning", 3, soBeginning, 3},
        {"from the current position", -2, soCurrent, 4},
        {"from the end", -1, soEnd, 9},
        {"past the end", 5, soEnd, 15},
        {"beyond 4 GB", std::int64_t{5} << 30, soBeginning, std::int64_t{5} << 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TMemoryStream stream;
        WriteText(stream, "0123456789");
        stream.SetPosition(6);
        EXPECT_EQ(stream.Seek(c.offset, c.origin), c.expected);
        EXPECT_EQ(stream.Position(), c.expected);
        EXPECT_EQ(stream.Size(), 10) << "seeking never changes the size";
    }
}

TEST(TMemoryStream, WritingPastTheEndFillsTheGapWithZeros)
{
    TMemoryStream stream;
    WriteText(stream, "ab");
    stream.SetPosition(5);
    WriteText(stream, "cd");
    EXPECT_EQ(ReadAll(stream), std::string("ab\0\0\0cd", 7));
}

TEST(TMemoryStream, SetSizeZeroExtendsAndTruncationPullsThePositionBack)
{
    TMemoryStream stream;
    WriteText(stream, "abcdef");
    stream.SetSize(8);
    EXPECT_EQ(ReadAll(stream), std::string("abcdef\0\0", 8));
    EXPECT_EQ(stream.Position(), 8);
    stream.SetSize(3);
    EXPECT_EQ(stream.Position(), 3);
    EXPECT_EQ(ReadAll(stream), "abc");
    stream.SetPosition(1);
    stream.SetSize(2);
    EXPECT_EQ(stream.Position(), 1) << "a position inside the new size stays";
}

TEST(TMemoryStream, GrowsGeometricallyUnderSmallWrites)
{
    TMemoryStream stream;
    int reallocations = 0;
    void* last = nullptr;
    for (int i = 0; i < 200000; ++i) {
        char byte = static_cast<char>(i);
        stream.WriteBuffer(&byte, 1);
        if (stream.Memory() != last) {
            ++reallocations;
            last = stream.Memory();
        }
    }
    EXPECT_LT(reallocations, 40);
    const auto* bytes = static_cast<const unsigned char*>(stream.Memory());
    for (int i : {0, 255, 256, 199999}) EXPECT_EQ(bytes[i], static_cast<unsigned char>(i)) << i;
}

TEST(TMemoryStream, ClearReleasesEverything)
{
    TMemoryStream stream;
    WriteText(stream, "abc");
    stream.Clear();
    EXPECT_EQ(stream.Memory(), nullptr);
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Position(), 0);
}

TEST(TStream, ReadBufferAndWriteBufferRaiseOnAShortTransfer)
{
    TMemoryStream stream;
    WriteText(stream, "abc");
    stream.SetPosition(1);
    char buffer[4];
    try {
        stream.ReadBuffer(buffer, 3);
        ADD_FAILURE() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }

    TShortStream full(2);
    try {
        full.WriteBuffer("abc", 3);
        ADD_FAILURE() << "no exception";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
    }
    EXPECT_NO_THROW(full.WriteBuffer(nullptr, 0)) << "an empty transfer never fails";
}

TEST(TStream, CopyFromCopiesARunOrTheWholeSource)
{
    TMemoryStream source;
    std::string content;
    for (int i = 0; i < 200000; ++i) content += static_cast<char>('a' + i % 26);
    WriteText(source, content);

    source.SetPosition(10);
    TMemoryStream part;
    EXPECT_EQ(part.CopyFrom(source, 100000), 100000);
    EXPECT_EQ(ReadAll(part), content.substr(10, 100000));
    EXPECT_EQ(source.Position(), 100010);

    TMemoryStream whole;
    EXPECT_EQ(whole.CopyFrom(source, 0), 200000) << "0 means all of it, from the start";
    EXPECT_EQ(ReadAll(whole), content);

    source.SetPosition(199990);
    TMemoryStream tooMuch;
    EXPECT_THROW(tooMuch.CopyFrom(source, 11), EReadError);
}

TEST(TMemoryStream, SavesToAndLoadsFromStreams)
{
    std::string bytes("line 1\r\n\0\xff binary", 17);
    TMemoryStream original;
    WriteText(original, bytes);
    original.SetPosition(4);

    TMemoryStream target;
    WriteText(target, "<<");
    original.SaveToStream(target);
    EXPECT_EQ(ReadAll(target), "<<" + bytes) << "the whole content goes, whatever the position";

    TMemoryStream copy;
    WriteText(copy, "old content that is longer than the source");
    target.SetPosition(target.Size());
    copy.LoadFromStream(target);
    EXPECT_EQ(copy.Position(), 0);
    EXPECT_EQ(ReadAll(copy), "<<" + bytes) << "loading starts at the source's beginning and replaces everything";
}

} // namespace
