#include "TestSupport.h"

#include <tormakelin/core/FileStream.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace tormakelin::core;
using tormakelin::core::test::ScratchDir;

namespace {

// An owning, writable stream holding `text`.
SmartRef<MemStream> ownedStream(const std::string& text)
{
    void* data = std::malloc(text.size() ? text.size() : 1);
    std::copy_n(text.data(), text.size(), static_cast<char*>(data));
    return SmartRef<MemStream>(createMemStream(data, unsigned(text.size()), false, true));
}

std::vector<std::string> linesOf(const std::string& bytes)
{
    SmartRef<MemStream> stream = ownedStream(bytes);
    std::vector<std::string> lines;
    std::string line;
    while (readString(stream.get(), line)) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

TEST(MemStream, ReadStopsAtTheEnd)
{
    SmartRef<MemStream> stream = ownedStream("0123456789");
    stream->setPosition(6, StreamBegin);
    char buffer[10] = {};
    EXPECT_EQ(stream->read(buffer, 10), 4u);
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_EQ(stream->getPosition(), 10u);
    EXPECT_TRUE(stream->eof());
    EXPECT_EQ(stream->read(buffer, 10), 0u);
    stream->setPosition(2, StreamBegin);
    EXPECT_EQ(stream->read(nullptr, 3), 3u) << "a null buffer still advances";
    EXPECT_EQ(stream->getPosition(), 5u);
}

TEST(MemStream, SetPositionClampsToTheContent)
{
    SmartRef<MemStream> stream = ownedStream("0123456789");
    struct Case {
        int offset;
        StreamOrigin origin;
        unsigned int expected;
    };
    const Case cases[] = {{-5, StreamBegin, 0}, {5, StreamEnd, 10}, {-3, StreamEnd, 7}, {2, StreamCurrent, 9},
                          {-20, StreamCurrent, 0}, {4, StreamBegin, 4}, {99, StreamOrigin(7), 4}};
    for (const Case& c : cases) {
        EXPECT_EQ(stream->setPosition(c.offset, c.origin), c.expected) << c.offset << " from " << c.origin;
    }
}

TEST(MemStream, WritingCutsWhatFollowsAndGrowsWithRoomToSpare)
{
    SmartRef<MemStream> stream = ownedStream("abcdefgh");
    stream->setPosition(2, StreamBegin);
    EXPECT_EQ(stream->write("XYZ", 3), 3u);
    EXPECT_EQ(stream->getSize(), 5u);
    EXPECT_EQ(std::string(static_cast<char*>(stream->getData()), 5), "abXYZ");

    SmartRef<MemStream> empty(createMemStream(nullptr, 0, false, true));
    EXPECT_EQ(empty->getCapacity(), 0u);
    EXPECT_EQ(empty->write("q", 1), 1u);
    EXPECT_EQ(empty->getCapacity(), 4097u);
    EXPECT_EQ(empty->write("", 0), 0u);
    EXPECT_EQ(empty->write(nullptr, 4), 0u);
}

TEST(MemStream, BorrowedOrReadOnlyBuffersRefuseWrites)
{
    char buffer[4] = {'a', 'b', 'c', 'd'};
    SmartRef<MemStream> borrowed(createMemStream(buffer, 4, false, false));
    EXPECT_TRUE(borrowed->isReadOnly());
    EXPECT_EQ(borrowed->write("x", 1), 0u);
    borrowed->setPosition(0, StreamEnd);
    EXPECT_EQ(borrowed->write("x", 1), 0u);
    EXPECT_EQ(buffer[0], 'a');
    SmartRef<MemStream> noBuffer(createMemStream(nullptr, 10, true, false));
    EXPECT_EQ(noBuffer->getSize(), 0u) << "a size without a buffer holds nothing";
    EXPECT_EQ(noBuffer->read(buffer, 4), 0u);
    SmartRef<MemStream> readOnly = ownedStream("abc");
    readOnly->create(std::malloc(3), 3, true, true);
    EXPECT_EQ(readOnly->write("x", 1), 0u);
}

TEST(MemStream, CopyFromASourceTakesOnlyWhatRemains)
{
    SmartRef<MemStream> source = ownedStream("0123456789");
    source->setPosition(7, StreamBegin);
    MemStream copy;
    ASSERT_TRUE(copy.create(source.get(), true));
    EXPECT_EQ(copy.getSize(), 3u);
    EXPECT_EQ(std::string(static_cast<char*>(copy.getData()), 3), "789");
    EXPECT_TRUE(copy.ownsData());
    EXPECT_TRUE(source->eof());
    EXPECT_TRUE(copy.create(source.get(), false)) << "a source at its end gives an empty copy";
    EXPECT_EQ(copy.getSize(), 0u);
    EXPECT_FALSE(copy.create(nullptr, true));
}

TEST(StreamText, ReadStringTable)
{
    using Lines = std::vector<std::string>;
    EXPECT_EQ(linesOf("a\r\nb\n\rc"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(linesOf("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(linesOf("a\r\rb\r\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(linesOf(std::string("a\0\nb", 4)), (Lines{"a", "", "b"})) << "a zero byte ends a line alone";
    EXPECT_EQ(linesOf("only"), (Lines{"only"}));
    EXPECT_EQ(linesOf(""), Lines{});
    std::string line = "untouched";
    EXPECT_FALSE(readString(nullptr, line));
}

TEST(StreamText, WriteStringEndsEachLineWithCrLf)
{
    SmartRef<MemStream> stream(createMemStream(nullptr, 0, false, true));
    writeString(stream.get(), "abc");
    writeString(stream.get(), "");
    writeString(nullptr, "ignored");
    EXPECT_EQ(std::string(static_cast<char*>(stream->getData()), stream->getSize()), "abc\r\n\r\n");
}

TEST(FileStream, CreateWriteReopenAndRead)
{
    ScratchDir dir;
    const std::string path = dir.path() + "\\sub\\dir\\data.bin";
    {
        FileStream file;
        ASSERT_TRUE(file.create(path, true)) << "creates the folders on the way";
        EXPECT_EQ(file.write("hello world", 11), 11u);
        EXPECT_EQ(file.getSize(), 11u);
        EXPECT_TRUE(file.eof());
    }
    FileStream file;
    ASSERT_TRUE(file.open(path, true));
    EXPECT_EQ(file.setPosition(6, StreamBegin), 6u);
    EXPECT_EQ(file.setPosition(-100, StreamBegin), 6u) << "a move before the start fails";
    char buffer[16] = {};
    EXPECT_EQ(file.read(buffer, 16), 5u);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(file.write("x", 1), 0u) << "opened read-only";
    file.setPosition(2, StreamBegin);
    ASSERT_NE(file.getData(), nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(file.getData()), 11), "hello world");
    EXPECT_EQ(file.getPosition(), 2u) << "reading the content keeps the position";
    EXPECT_EQ(file.setPosition(-1, StreamEnd), 10u);
}

TEST(FileStream, CreateWithoutTruncateKeepsTheRest)
{
    ScratchDir dir;
    dir.write("keep.txt", "0123456789");
    FileStream file;
    ASSERT_TRUE(file.create(dir.path() + "/keep.txt", false));
    file.write("ab", 2);
    file.close();
    EXPECT_EQ(dir.read("keep.txt"), "ab23456789");
    ASSERT_TRUE(file.create(dir.path() + "/keep.txt", true));
    file.close();
    EXPECT_EQ(dir.read("keep.txt"), "");
}

TEST(FileStream, FailuresAndClosedStreams)
{
    ScratchDir dir;
    FileStream file;
    EXPECT_FALSE(file.open(dir.path() + "/missing.txt", true));
    EXPECT_FALSE(file.open(dir.path(), true)) << "a folder is not a file";
    EXPECT_EQ(file.getSize(), 0u);
    EXPECT_EQ(file.getPosition(), 0u);
    EXPECT_EQ(file.getData(), nullptr);
    char c;
    EXPECT_EQ(file.read(&c, 1), 0u);
    dir.write("empty", "");
    ASSERT_TRUE(file.open(dir.path() + "/EMPTY", true)) << "found ignoring case";
    EXPECT_EQ(file.getData(), nullptr);
    EXPECT_TRUE(file.eof());
}
