#include "DeviceFixture.h"
#include "RecordStream.h"

#include <cmath>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/StateManager.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexDecl.h>
#include <tormakelin/render/VertexStream.h>

using namespace render_test;
using tormakelin::core::SmartRef;

namespace {

class BufferTest : public RenderDeviceTest {
protected:
    void SetUp() override
    {
        RenderDeviceTest::SetUp();
        ASSERT_TRUE(createDevice());
    }

    // A managed buffer holding `floats` and a copy of them.
    static IVertexBuffer* floatBuffer(const std::vector<float>& floats, D3DPOOL pool = D3DPOOL_MANAGED, DWORD usage = 0)
    {
        const unsigned size = unsigned(floats.size() * sizeof(float));
        IVertexBuffer* buffer = createVertexBuffer(size, usage, 0, pool);
        if (buffer == nullptr) {
            return nullptr;
        }
        auto* bytes = new unsigned char[size];
        std::memcpy(bytes, floats.data(), size);
        buffer->setData(bytes);
        EXPECT_TRUE(buffer->upload(0));
        return buffer;
    }

    static std::vector<float> contents(IVertexBuffer* buffer)
    {
        const unsigned size = buffer->getDesc()->Size;
        std::vector<float> floats(size / 4);
        void* data = buffer->lock(0, size, D3DLOCK_READONLY);
        if (data == nullptr) {
            ADD_FAILURE() << "lock failed";
            return {};
        }
        std::memcpy(floats.data(), data, size);
        buffer->unlock();
        return floats;
    }
};

std::vector<float> ramp(size_t count)
{
    std::vector<float> floats(count);
    for (size_t i = 0; i < count; ++i) {
        floats[i] = float(i) * 0.37f - 20.0f;
    }
    return floats;
}

void putU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(uint8_t(value >> (8 * i)));
    }
}

// A vertex buffer record: flag, description, then `dataBytes` zero bytes.
std::vector<uint8_t> vertexRecord(uint8_t flag, uint32_t size, uint32_t dataBytes, uint32_t pool = D3DPOOL_MANAGED)
{
    std::vector<uint8_t> out{flag};
    for (uint32_t field : {uint32_t(D3DFMT_VERTEXDATA), uint32_t(D3DRTYPE_VERTEXBUFFER), 0u, pool, size, 0u}) {
        putU32(out, field);
    }
    out.resize(out.size() + dataBytes);
    return out;
}

std::vector<uint8_t> indexRecord(uint32_t format, uint32_t size, uint32_t dataBytes)
{
    std::vector<uint8_t> out;
    for (uint32_t field : {format, uint32_t(D3DRTYPE_INDEXBUFFER), 0u, uint32_t(D3DPOOL_MANAGED), size}) {
        putU32(out, field);
    }
    out.resize(out.size() + dataBytes);
    return out;
}

std::vector<uint8_t> declRecord(std::vector<D3DVERTEXELEMENT9> const& elements, int count = -1)
{
    std::vector<uint8_t> out;
    putU32(out, count < 0 ? uint32_t(elements.size()) : uint32_t(count));
    for (const D3DVERTEXELEMENT9& e : elements) {
        out.insert(out.end(), {uint8_t(e.Stream), uint8_t(e.Stream >> 8), uint8_t(e.Offset), uint8_t(e.Offset >> 8),
                                  e.Type, e.Method, e.Usage, e.UsageIndex});
    }
    return out;
}

std::vector<uint8_t> streamRecord(uint32_t stride, const std::vector<uint8_t>& buffer)
{
    std::vector<uint8_t> out;
    putU32(out, 1);
    putU32(out, 0);
    putU32(out, 0);
    putU32(out, stride);
    out.insert(out.end(), buffer.begin(), buffer.end());
    return out;
}

const D3DVERTEXELEMENT9 kPosition{0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0};
const D3DVERTEXELEMENT9 kEnd = D3DDECL_END();

} // namespace

TEST_F(BufferTest, HalfFloatRecordConvertsEveryFloat)
{
    // 360 bytes: seven and a half vertices of 48 bytes, ten of 36; every float must come back.
    const std::vector<float> floats = ramp(90);
    SmartRef<IVertexBuffer> buffer = floatBuffer(floats);
    ASSERT_TRUE(buffer);
    RecordStream record;
    ASSERT_TRUE(buffer->serialize(record.serializer.get(), true));
    const std::vector<uint8_t> bytes = record.bytes();
    ASSERT_EQ(bytes.size(), 1u + 24u + 180u);
    EXPECT_EQ(bytes[0], 1);

    SmartRef<IVertexBuffer> loaded = createVertexBuffer();
    ASSERT_TRUE(loaded->serialize(record.load(), false));
    EXPECT_EQ(loaded->getDesc()->Size, 360u);
    EXPECT_EQ(loaded->getDesc()->Pool, D3DPOOL_MANAGED);
    const std::vector<float> back = contents(loaded.get());
    ASSERT_EQ(back.size(), floats.size());
    for (size_t i = 0; i < floats.size(); ++i) {
        EXPECT_NEAR(back[i], floats[i], std::fabs(floats[i]) / 1024.0f + 1e-3f) << i;
        EXPECT_EQ(static_cast<float*>(loaded->getData())[i], back[i]) << "the copy matches the buffer";
    }
}

TEST_F(BufferTest, PlainRecordsRoundTripExactly)
{
    const std::vector<float> floats = ramp(12);
    SmartRef<IVertexBuffer> buffer = floatBuffer(floats);
    RecordStream vertexRecord;
    ASSERT_TRUE(buffer->serialize(vertexRecord.serializer.get(), false));
    EXPECT_EQ(vertexRecord.bytes().size(), 1u + 24u + 48u);
    SmartRef<IVertexBuffer> loadedVertices = createVertexBuffer();
    ASSERT_TRUE(loadedVertices->serialize(vertexRecord.load(), true)) << "loading reads the flag from the record";
    EXPECT_EQ(contents(loadedVertices.get()), floats);

    const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    SmartRef<IIndexBuffer> index = createIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED);
    ASSERT_TRUE(index);
    EXPECT_EQ(index->getResourceType(), 3);
    RecordStream empty;
    EXPECT_FALSE(index->serialize(empty.serializer.get())) << "writing needs the copy";
    auto* copy = new unsigned char[sizeof indices];
    std::memcpy(copy, indices, sizeof indices);
    index->setData(copy);
    ASSERT_TRUE(index->upload(0));
    RecordStream indexRecord;
    ASSERT_TRUE(index->serialize(indexRecord.serializer.get()));
    EXPECT_EQ(indexRecord.bytes().size(), 20u + 12u);
    SmartRef<IIndexBuffer> loadedIndices = createIndexBuffer();
    ASSERT_TRUE(loadedIndices->serialize(indexRecord.load()));
    SmartRef<IIndexBuffer> cloned = loadedIndices->clone();
    ASSERT_TRUE(cloned);
    EXPECT_EQ(cloned->getDesc()->Format, D3DFMT_INDEX16);
    const void* data = cloned->lock(0, 12, D3DLOCK_READONLY);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data, indices, sizeof indices), 0);
    cloned->unlock();

    ASSERT_TRUE(loadedIndices->create(24, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED));
    EXPECT_EQ(loadedIndices->getData(), nullptr) << "a copy of the old size goes";
    EXPECT_FALSE(loadedIndices->upload(0));
}

TEST_F(BufferTest, MalformedRecordsAreRefused)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int kind; // 0 vertex buffer, 1 index buffer, 2 declaration, 3 stream
    };
    const Case cases[] = {
        {"flag other than 0 or 1", vertexRecord(2, 16, 16), 0},
        {"empty buffer", vertexRecord(0, 0, 0), 0},
        {"size beyond the data", vertexRecord(0, 64, 16), 0},
        {"enormous size", vertexRecord(0, 0xFFFFFFF0u, 16), 0},
        {"halves of a partial float", vertexRecord(1, 18, 9), 0},
        {"half data cut short", vertexRecord(1, 16, 6), 0},
        {"truncated description", std::vector<uint8_t>(9, 0), 0},
        {"bad pool", vertexRecord(0, 16, 16, 7), 0},
        {"index format not an index", indexRecord(D3DFMT_A8R8G8B8, 12, 12), 1},
        {"partial index", indexRecord(D3DFMT_INDEX32, 6, 6), 1},
        {"indices cut short", indexRecord(D3DFMT_INDEX16, 12, 4), 1},
        {"no elements", declRecord({}), 2},
        {"more than 65 elements", declRecord(std::vector<D3DVERTEXELEMENT9>(66, kEnd)), 2},
        {"count beyond the data", declRecord({kPosition, kEnd}, 3), 2},
        {"no end marker", declRecord({kPosition, kPosition}), 2},
        {"partial vertex", streamRecord(12, vertexRecord(0, 16, 16)), 3},
        {"stream buffer cut short", streamRecord(16, vertexRecord(0, 16, 8)), 3},
    };
    for (const Case& c : cases) {
        RecordStream record(c.bytes);
        bool loaded = true;
        switch (c.kind) {
        case 0: loaded = SmartRef<IVertexBuffer>(createVertexBuffer())->serialize(record.load(), false); break;
        case 1: loaded = SmartRef<IIndexBuffer>(createIndexBuffer())->serialize(record.load()); break;
        case 2: loaded = SmartRef<IVertexDecl>(createVertexDecl())->serialize(record.load()); break;
        default: {
            SmartRef<IVertexStream> stream = createVertexStream();
            loaded = stream->serialize(record.load(), false);
            EXPECT_TRUE(stream->getStreams().empty()) << c.what;
        }
        }
        EXPECT_FALSE(loaded) << c.what;
    }
    // The well-formed neighbours load.
    RecordStream good(streamRecord(16, vertexRecord(0, 32, 32)));
    EXPECT_TRUE(SmartRef<IVertexStream>(createVertexStream())->serialize(good.load(), false));
    // A stride of 0 gives every vertex the same data.
    RecordStream still(streamRecord(0, vertexRecord(0, 12, 12)));
    SmartRef<IVertexStream> shared = createVertexStream();
    ASSERT_TRUE(shared->serialize(still.load(), false));
    ASSERT_EQ(shared->getStreams().size(), 1u);
    EXPECT_EQ(shared->getStreams()[0].stride, 0u);
    EXPECT_TRUE(shared->bind());
    RecordStream decl(declRecord({kPosition, kEnd}));
    EXPECT_TRUE(SmartRef<IVertexDecl>(createVertexDecl())->serialize(decl.load()));
}

TEST_F(BufferTest, StreamRecordHalvesOnlyStreamZero)
{
    SmartRef<IVertexStream> stream = createVertexStream();
    SmartRef<IVertexBuffer> positions = floatBuffer(ramp(24));
    SmartRef<IVertexBuffer> colours = floatBuffer(ramp(8));
    ASSERT_TRUE(stream->addStream(0, 12, positions.get(), 0));
    ASSERT_TRUE(stream->addStream(1, 16, colours.get(), 3));
    RecordStream record;
    ASSERT_TRUE(stream->serialize(record.serializer.get(), true));
    const std::vector<uint8_t> bytes = record.bytes();
    const size_t first = 4 + 12;
    const size_t second = first + 25 + 48 + 12;
    ASSERT_EQ(bytes.size(), second + 25 + 32);
    EXPECT_EQ(bytes[first], 1) << "stream 0 with halves";
    EXPECT_EQ(bytes[second], 0) << "stream 1 as floats";

    SmartRef<IVertexStream> loaded = createVertexStream();
    ASSERT_TRUE(loaded->serialize(record.load(), false));
    ASSERT_EQ(loaded->getStreams().size(), 2u);
    const VertexStreamEntry& entry = loaded->getStreams()[1];
    EXPECT_EQ(entry.stream, 1u);
    EXPECT_EQ(entry.stride, 16u);
    EXPECT_EQ(entry.frequency, 3u);
    EXPECT_EQ(contents(entry.buffer), ramp(8));
}

TEST_F(BufferTest, StreamEntriesBindWithTheirFrequencies)
{
    SmartRef<IVertexStream> stream = createVertexStream();
    SmartRef<IVertexBuffer> mesh = floatBuffer(ramp(12));
    SmartRef<IVertexBuffer> instances = floatBuffer(ramp(8));
    EXPECT_FALSE(stream->addStream(0, 12, nullptr, 0));
    ASSERT_TRUE(stream->addStream(0, 12, mesh.get(), 4));
    ASSERT_TRUE(stream->addStream(5, 16, instances.get(), 1));
    EXPECT_FALSE(stream->setStream(2, 16, instances.get(), 1)) << "a position equal to the count";
    EXPECT_FALSE(stream->setStream(0, 16, nullptr, 1));
    ASSERT_TRUE(stream->setStream(1, 16, instances.get(), 1));
    EXPECT_EQ(stream->getStreams()[1].stream, 1u) << "the stream index becomes the position";

    ASSERT_TRUE(stream->bind());
    UINT setting = 0;
    d3d()->GetStreamSourceFreq(0, &setting);
    EXPECT_EQ(setting, 4u | D3DSTREAMSOURCE_INDEXEDDATA);
    d3d()->GetStreamSourceFreq(1, &setting);
    EXPECT_EQ(setting, 1u | D3DSTREAMSOURCE_INSTANCEDATA);
    IDirect3DVertexBuffer9* bound = nullptr;
    UINT offset = 9, stride = 0;
    d3d()->GetStreamSource(1, &bound, &offset, &stride);
    EXPECT_NE(bound, nullptr);
    EXPECT_EQ(stride, 16u);
    if (bound != nullptr) {
        bound->Release();
    }
    stream->unbind();
    for (UINT index : {0u, 1u}) {
        d3d()->GetStreamSourceFreq(index, &setting);
        EXPECT_EQ(setting, 1u) << index;
    }
}

TEST_F(BufferTest, StreamCloneMakesOnlyDefaultPoolStreamZeroDynamic)
{
    for (D3DPOOL pool : {D3DPOOL_MANAGED, D3DPOOL_DEFAULT}) {
        SmartRef<IVertexStream> stream = createVertexStream();
        SmartRef<IVertexBuffer> zero = floatBuffer(ramp(12), pool, D3DUSAGE_WRITEONLY);
        SmartRef<IVertexBuffer> one = floatBuffer(ramp(4), pool, D3DUSAGE_WRITEONLY);
        ASSERT_TRUE(zero && one);
        stream->addStream(0, 12, zero.get(), 0);
        stream->addStream(1, 16, one.get(), 2);
        SmartRef<IVertexStream> copy = stream->clone();
        ASSERT_TRUE(copy) << pool;
        const auto& entries = copy->getStreams();
        ASSERT_EQ(entries.size(), 2u);
        const DWORD zeroUsage = pool == D3DPOOL_DEFAULT ? D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC : D3DUSAGE_WRITEONLY;
        EXPECT_EQ(entries[0].buffer->getDesc()->Usage, zeroUsage) << pool;
        EXPECT_EQ(entries[1].buffer->getDesc()->Usage, DWORD(D3DUSAGE_WRITEONLY)) << pool;
        EXPECT_NE(entries[0].buffer, zero.get());
        EXPECT_EQ(entries[1].frequency, 2u);
        EXPECT_EQ(contents(entries[0].buffer), ramp(12));
    }
}

TEST_F(BufferTest, BuilderEndsTheDeclarationWithTheMarker)
{
    VertexDeclBuilder builder;
    EXPECT_EQ(builder.build(), nullptr);
    builder.add({0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0});
    SmartRef<IVertexDecl> decl = builder.build();
    ASSERT_TRUE(decl);
    RecordStream record;
    ASSERT_TRUE(decl->serialize(record.serializer.get()));
    EXPECT_EQ(record.bytes(), declRecord({kPosition, kEnd}));
    EXPECT_TRUE(decl->bind());
    IDirect3DVertexDeclaration9* bound = nullptr;
    d3d()->GetVertexDeclaration(&bound);
    ASSERT_NE(bound, nullptr);
    bound->Release();

    builder.add({0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0});
    SmartRef<IVertexDecl> longer = builder.build();
    SmartRef<IVertexDecl> copy = longer->clone();
    ASSERT_TRUE(copy);
    RecordStream copied;
    ASSERT_TRUE(copy->serialize(copied.serializer.get()));
    EXPECT_EQ(copied.bytes().size(), 4u + 3u * 8u);
    EXPECT_FALSE(SmartRef<IVertexDecl>(createVertexDecl())->bind());
}

TEST_F(BufferTest, DefaultPoolBufferIsRebuiltAfterAReset)
{
    const float x0 = 7.5f, y0 = 3.5f, x1 = 23.5f, y1 = 19.5f;
    const D3DCOLOR red = 0xFFFF0000;
    const ScreenVertex quad[6] = {{x0, y0, 0.5f, 1, red}, {x1, y0, 0.5f, 1, red}, {x0, y1, 0.5f, 1, red},
        {x0, y1, 0.5f, 1, red}, {x1, y0, 0.5f, 1, red}, {x1, y1, 0.5f, 1, red}};
    SmartRef<IVertexBuffer> buffer = createVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT);
    SmartRef<IVertexBuffer> empty = createVertexBuffer();
    ASSERT_TRUE(buffer);
    auto* copy = new unsigned char[sizeof quad];
    std::memcpy(copy, quad, sizeof quad);
    buffer->setData(copy);
    ASSERT_TRUE(buffer->upload(0));

    d3dsimSetStrictReset(true);
    d3dsimLoseDevice(d3d(), 0);
    EXPECT_FALSE(device->present());
    ASSERT_TRUE(device->beginScene()) << "the strict reset passed: the buffer let go of its memory";

    useScreenPipeline();
    device->clear(Clear_Colour, D3DXVECTOR4(0, 0, 0, 1), 1.0f, 0);
    ASSERT_TRUE(buffer->bind(0, 0, sizeof(ScreenVertex)));
    ASSERT_EQ(device->drawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    const std::vector<uint32_t> pixels = backBufferPixels();
    ASSERT_EQ(pixels.size(), size_t(kWidth) * kHeight);
    EXPECT_EQ(pixels[10 * kWidth + 12], red);
    EXPECT_EQ(pixels[30 * kWidth + 40], 0xFF000000u);
    EXPECT_TRUE(device->endScene());
}
