#include <tormakelin/core/Compressor.h>
#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/Serializer.h>
#include <tormakelin/core/SmartRef.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

using namespace tormakelin::core;

namespace {

// An owning, writable memory stream holding a copy of the bytes.
MemStream* streamOf(const std::vector<unsigned char>& bytes) {
    void* data = std::malloc(bytes.size() > 0 ? bytes.size() : 1);
    if (!bytes.empty()) {
        std::memcpy(data, bytes.data(), bytes.size());
    }
    return createMemStream(data, static_cast<unsigned int>(bytes.size()), false, true);
}

std::vector<unsigned char> bytesOf(IStream* stream) {
    auto* data = static_cast<unsigned char*>(stream->getData());
    return std::vector<unsigned char>(data, data + stream->getSize());
}

}  // namespace

TEST(Serializer, RoundTripsValuesAndStrings) {
    MemStream* stream = streamOf({});
    stream->addRef();
    ISerializer* out = createSerializer(stream, true);
    ASSERT_NE(out, nullptr);
    out->addRef();
    EXPECT_TRUE(out->isStoring());
    uint32_t number = 0x11223344;
    float real = 2.5f;
    EXPECT_TRUE(serializeValue(out, number));
    EXPECT_TRUE(serializeValue(out, real));
    EXPECT_TRUE(out->writeString("hello"));
    EXPECT_TRUE(out->writeString(""));
    std::vector<unsigned char> bytes = bytesOf(stream);
    ASSERT_EQ(bytes.size(), 4u + 4u + 4u + 5u + 4u);
    // Little-endian, the length before the bytes, no terminator; empty is four zero bytes.
    EXPECT_EQ(bytes[0], 0x44);
    EXPECT_EQ(bytes[3], 0x11);
    EXPECT_EQ(bytes[8], 5);
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 17), "hello");
    EXPECT_EQ(std::vector<unsigned char>(bytes.end() - 4, bytes.end()), std::vector<unsigned char>(4, 0));

    out->storing(false);  // rewinds
    EXPECT_EQ(stream->getPosition(), 0u);
    uint32_t n = 0;
    float r = 0;
    std::string s = "junk", e = "junk";
    EXPECT_TRUE(serializeValue(out, n));
    EXPECT_TRUE(serializeValue(out, r));
    EXPECT_TRUE(out->readString(s));
    EXPECT_TRUE(out->readString(e));
    EXPECT_EQ(n, number);
    EXPECT_EQ(r, real);
    EXPECT_EQ(s, "hello");
    EXPECT_EQ(e, "");
    EXPECT_FALSE(serializeValue(out, n));  // at the end
    out->release();
    EXPECT_EQ(stream->release(), 0);  // the serializer gave its reference back
}

TEST(Serializer, TruncatedStringsFailCleanly) {
    struct Case { std::vector<unsigned char> bytes; };
    const Case cases[] = {
        {{}},                               // no length
        {{3, 0}},                           // half a length
        {{5, 0, 0, 0, 'a', 'b'}},           // fewer bytes than the length
        {{0xFF, 0xFF, 0xFF, 0xFF, 'x'}},    // a huge length
    };
    for (const Case& c : cases) {
        SmartRef<IStream> stream(streamOf(c.bytes));
        Serializer serializer;
        ASSERT_TRUE(serializer.create(stream.get(), false));
        std::string text = "stale";
        EXPECT_FALSE(serializer.readString(text));
        EXPECT_EQ(text, "");
    }
}

TEST(Serializer, StoringRewindsAndStreamsAreShared) {
    MemStream* stream = streamOf({1, 2, 3, 4, 5, 6, 7, 8});
    stream->addRef();
    Serializer serializer;
    ASSERT_TRUE(serializer.create(stream, false));
    EXPECT_EQ(stream->getRefCount(), 2);
    uint32_t half = 0;
    serializer.read(&half, 4);
    EXPECT_EQ(stream->getPosition(), 4u);
    serializer.storing(true);
    EXPECT_EQ(stream->getPosition(), 0u);
    EXPECT_TRUE(serializer.isStoring());
    // The same stream again keeps it alive and counted once.
    EXPECT_TRUE(serializer.create(stream, false));
    EXPECT_EQ(stream->getRefCount(), 2);
    EXPECT_EQ(serializer.getStream(), stream);
    EXPECT_FALSE(serializer.create(static_cast<IStream*>(nullptr), true));
    EXPECT_EQ(serializer.getStream(), stream);
    // Another stream replaces it.
    MemStream* other = streamOf({9});
    other->addRef();
    EXPECT_TRUE(serializer.create(other, false));
    EXPECT_EQ(stream->getRefCount(), 1);
    EXPECT_EQ(other->getRefCount(), 2);
    EXPECT_EQ(stream->release(), 0);
    other->release();
    EXPECT_EQ(createSerializer(static_cast<IStream*>(nullptr), false), nullptr);
    // Without a stream nothing moves.
    Serializer empty;
    char byte = 0;
    EXPECT_EQ(empty.read(&byte, 1), 0u);
    EXPECT_EQ(empty.write(&byte, 1), 0u);
    std::string text;
    EXPECT_FALSE(empty.readString(text));
    empty.storing(true);
}

TEST(Compressor, BlobLayoutAndRoundTrip) {
    std::vector<unsigned char> raw(1000);
    for (size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<unsigned char>((i * 7) % 13);
    }
    SmartRef<IStream> source(streamOf(raw));
    Compressor compressor;
    SmartRef<IStream> blob(compressor.compress(source.get()));
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->getPosition(), 0u);
    std::vector<unsigned char> bytes = bytesOf(blob.get());
    ASSERT_GT(bytes.size(), 12u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "QRVC");
    uint32_t packed, length;
    std::memcpy(&packed, bytes.data() + 4, 4);
    std::memcpy(&length, bytes.data() + 8, 4);
    EXPECT_EQ(packed, bytes.size() - 12);
    EXPECT_EQ(length, 1000u);
    EXPECT_LT(packed, 1000u);
    // zlib's header (RFC 1950): deflate with a 32K window.
    EXPECT_EQ(bytes[12], 0x78);

    SmartRef<IStream> back(compressor.decompress(blob.get()));
    ASSERT_TRUE(back);
    EXPECT_EQ(bytesOf(back.get()), raw);
    // Writable, owning.
    char extra = 'x';
    back->setPosition(0, StreamEnd);
    EXPECT_EQ(back->write(&extra, 1), 1u);
}

TEST(Compressor, RefusesWhatIsNoBlob) {
    Compressor compressor;
    EXPECT_EQ(compressor.compress(nullptr), nullptr);
    SmartRef<IStream> empty(streamOf({}));
    EXPECT_EQ(compressor.compress(empty.get()), nullptr);
    EXPECT_EQ(compressor.decompress(nullptr), nullptr);
    struct Case { std::vector<unsigned char> bytes; };
    const Case cases[] = {
        {{'Q', 'R', 'V', 'C', 0, 0, 0, 0, 0, 0, 0}},                  // 11 bytes
        {{'Q', 'R', 'V', 'X', 0, 0, 0, 0, 0, 0, 0, 0}},               // wrong magic
        {{'Q', 'R', 'V', 'C', 50, 0, 0, 0, 10, 0, 0, 0, 0x78, 0x9C}}, // longer than the bytes
        {{'Q', 'R', 'V', 'C', 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0x78, 0x9C}},  // impossible raw length
    };
    for (const Case& c : cases) {
        SmartRef<IStream> stream(streamOf(c.bytes));
        EXPECT_EQ(compressor.decompress(stream.get()), nullptr);
    }
}

TEST(Compressor, DamagedPayloadKeepsWhatInflated) {
    std::vector<unsigned char> raw(5000);
    for (size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<unsigned char>(i * 31 + (i >> 3));
    }
    SmartRef<IStream> source(streamOf(raw));
    Compressor compressor;
    SmartRef<IStream> blob(compressor.compress(source.get()));
    ASSERT_TRUE(blob);
    std::vector<unsigned char> bytes = bytesOf(blob.get());
    // Cut the zlib stream short (and say so in the header).
    size_t keep = 12 + (bytes.size() - 12) / 2;
    bytes.resize(keep);
    uint32_t packed = static_cast<uint32_t>(keep - 12);
    std::memcpy(bytes.data() + 4, &packed, 4);
    SmartRef<IStream> cut(streamOf(bytes));
    SmartRef<IStream> partial(compressor.decompress(cut.get()));
    ASSERT_TRUE(partial);
    EXPECT_LT(partial->getSize(), raw.size());
    std::vector<unsigned char> got = bytesOf(partial.get());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), raw.begin()));
}

TEST(Compressor, ReadsFromTheCurrentPosition) {
    SmartRef<IStream> source(streamOf({0xAA, 0xBB, 'a', 'b', 'c'}));
    source->setPosition(2, StreamBegin);
    Compressor compressor;
    SmartRef<IStream> blob(compressor.compress(source.get()));
    ASSERT_TRUE(blob);
    SmartRef<IStream> back(compressor.decompress(blob.get()));
    ASSERT_TRUE(back);
    EXPECT_EQ(bytesOf(back.get()), (std::vector<unsigned char>{'a', 'b', 'c'}));
}

TEST(Serializer, FilesThroughTheFileSystem) {
    char pattern[] = "/tmp/tormakelin-serializer-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string folder = pattern, name = folder + "/sub/track.bin";
    {
        SmartRef<ISerializer> out(createSerializer(name, true));
        ASSERT_TRUE(out);
        EXPECT_TRUE(out->writeString("saved"));
    }
    SmartRef<IFileSystem> files(createFileSystem());
    {
        SmartRef<ISerializer> in(createSerializer(name, false));
        ASSERT_TRUE(in);
        std::string text;
        EXPECT_TRUE(in->readString(text));
        EXPECT_EQ(text, "saved");
    }
    EXPECT_EQ(createSerializer(folder + "/missing.bin", false), nullptr);
    Serializer serializer;
    EXPECT_FALSE(serializer.create(folder + "/missing.bin", false));
    EXPECT_FALSE(serializer.create(std::string("/proc/no/such/dir/x.bin"), true));
    files.reset();
    EXPECT_EQ(createSerializer(name, false), nullptr);  // no file system
    std::filesystem::remove_all(folder);
}
