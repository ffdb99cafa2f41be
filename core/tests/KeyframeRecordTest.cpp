#include <tormakelin/core/HalfFloat.h>
#include <tormakelin/core/Keyframe.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/Serializer.h>
#include <tormakelin/core/SmartRef.h>

#include <d3dx9math.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace tormakelin::core;

namespace {

class Bytes {
public:
    Bytes& u32(uint32_t v) { return raw(&v, 4); }
    Bytes& f32(float v) { return raw(&v, 4); }
    Bytes& f16(float v) {
        uint16_t h = convertFloatToHalf(v);
        return raw(&h, 2);
    }
    Bytes& raw(const void* p, size_t n) {
        auto* b = static_cast<const unsigned char*>(p);
        m_bytes.insert(m_bytes.end(), b, b + n);
        return *this;
    }
    std::vector<unsigned char> m_bytes;
};

SmartRef<IStream> streamOf(const std::vector<unsigned char>& bytes) {
    void* data = std::malloc(bytes.size() + 1);
    if (!bytes.empty()) {
        std::memcpy(data, bytes.data(), bytes.size());
    }
    return SmartRef<IStream>(createMemStream(data, static_cast<unsigned int>(bytes.size()), false, true));
}

bool load(IKeyframe* track, const std::vector<unsigned char>& bytes) {
    SmartRef<IStream> stream = streamOf(bytes);
    SmartRef<ISerializer> serializer(createSerializer(stream.get(), false));
    return track->serialize(serializer.get());
}

std::vector<unsigned char> store(IKeyframe* track) {
    SmartRef<IStream> stream = streamOf({});
    SmartRef<ISerializer> serializer(createSerializer(stream.get(), true));
    EXPECT_TRUE(track->serialize(serializer.get()));
    auto* data = static_cast<unsigned char*>(stream->getData());
    return std::vector<unsigned char>(data, data + stream->getSize());
}

SmartRef<IKeyframe> sample() {
    SmartRef<IKeyframe> t(createKeyframe(2, false));
    const float values[3][2] = {{0.5f, -1}, {2, 3.25f}, {1e6f, 0.1f}};
    for (int i = 0; i < 3; ++i) {
        Key* key = t->createKey();
        key->time = 0.1f * static_cast<float>(i * i);
        key->kind = i == 1 ? KeyTcb : KeyLinear;
        key->values[0] = values[i][0];
        key->values[1] = values[i][1];
        key->tension = 0.25f;
        key->continuity = -0.5f;
        key->bias = 0.75f;
        t->addKey(key, false);
    }
    t->sort();
    t->setPreOORBehavior(KeyframeCycle);
    t->setPostOORBehavior(KeyframePingPong);
    return t;
}

}  // namespace

TEST(KeyframeRecord, WriterLayout) {
    SmartRef<IKeyframe> t = sample();
    std::vector<unsigned char> bytes = store(t.get());
    Bytes expected;
    expected.u32(1001).u32(1).u32(2).u32(0).u32(1).u32(2).u32(3);
    expected.f32(0.0f).u32(KeyLinear).f16(0.5f).f16(-1);
    expected.f32(0.1f).u32(KeyTcb).f16(2).f16(3.25f).f16(0.25f).f16(-0.5f).f16(0.75f);
    expected.f32(0.4f).u32(KeyLinear).f16(1e6f).f16(0.1f);
    EXPECT_EQ(bytes, expected.m_bytes);
    // The writer leaves the track's own values at full precision.
    EXPECT_EQ(t->getKeys()[2]->values[1], 0.1f);
}

TEST(KeyframeRecord, RoundTripThroughHalves) {
    SmartRef<IKeyframe> t = sample();
    SmartRef<IKeyframe> back(createKeyframe());
    ASSERT_TRUE(load(back.get(), store(t.get())));
    EXPECT_EQ(back->getDimension(), 2u);
    EXPECT_FALSE(back->isQuaternion());
    EXPECT_EQ(back->getPreOORBehavior(), KeyframeCycle);
    EXPECT_EQ(back->getPostOORBehavior(), KeyframePingPong);
    ASSERT_EQ(back->getKeys().size(), 3u);
    const Key* k = back->getKeys()[1];
    EXPECT_EQ(k->time, 0.1f);  // times keep full precision
    EXPECT_EQ(k->kind, KeyTcb);
    EXPECT_EQ(k->values[1], 3.25f);
    EXPECT_EQ(k->tension, 0.25f);
    EXPECT_EQ(k->bias, 0.75f);
    EXPECT_EQ(back->getKeys()[2]->values[0], 131008.0f);  // saturated
    EXPECT_NEAR(back->getKeys()[2]->values[1], 0.1f, 1e-4f);
    EXPECT_EQ(back->getKeys()[0]->next, back->getKeys()[1]);
    // With the saturated value in the original too, both curves agree.
    t->getKeys()[2]->values[0] = 131008.0f;
    EXPECT_FLOAT_EQ(back->eval(0.05f)[0], t->eval(0.05f)[0]);
}

TEST(KeyframeRecord, WideTracksRoundTrip) {
    SmartRef<IKeyframe> t(createKeyframe(9, false));
    Key* key = t->createKey();
    key->kind = KeyLinear;
    for (int c = 0; c < 9; ++c) {
        key->values[c] = float(c) + 0.5f;
    }
    t->addKey(key, true);
    SmartRef<IKeyframe> back(createKeyframe());
    ASSERT_TRUE(load(back.get(), store(t.get())));
    ASSERT_EQ(back->getDimension(), 9u);
    ASSERT_EQ(back->getKeys().size(), 1u);
    for (int c = 0; c < 9; ++c) {
        EXPECT_EQ(back->getKeys()[0]->values[c], float(c) + 0.5f) << c;
    }
    EXPECT_EQ(t->getKeys()[0]->values[8], 8.5f) << "storing leaves the key as it was";
}

TEST(KeyframeRecord, FullFloatRecordsAndUnsortedKeys) {
    Bytes b;
    b.u32(1001).u32(0).u32(1).u32(0).u32(0).u32(0).u32(2);
    b.f32(2.0f).u32(KeyLinear).f32(0.1f);
    b.f32(1.0f).u32(KeyLinear).f32(123456.789f);
    SmartRef<IKeyframe> t(createKeyframe());
    ASSERT_TRUE(load(t.get(), b.m_bytes));
    ASSERT_EQ(t->getKeys().size(), 2u);
    EXPECT_EQ(t->getKeys()[0]->time, 1.0f);  // sorted once after reading
    EXPECT_EQ(t->getKeys()[0]->values[0], 123456.789f);
    EXPECT_EQ(t->getKeys()[1]->values[0], 0.1f);
}

TEST(KeyframeRecord, RotationTracksGetTheirControlsBack) {
    SmartRef<IKeyframe> t(createKeyframe(4, true));
    const float angles[] = {0.0f, 0.6f, 0.4f, 0.9f};
    for (int i = 0; i < 4; ++i) {
        Key* key = t->createKey();
        key->time = static_cast<float>(i);
        key->values[0] = 0.3f;
        key->values[1] = 1;
        key->values[2] = i * 0.2f;
        key->values[3] = angles[i];
        key->easeTo = 0.25f;
        t->addKey(key, false);
    }
    t->sort();
    t->getKeys()[2]->turns = 0;
    KeyframeUtil::convertKeysFromAxisAngleToQuaternion(t.get());
    Bytes header;
    std::vector<unsigned char> bytes = store(t.get());
    // Rotation keys carry eases and turns: 4 + 4 + 4 * 2 + 3 * 2 (kind 0) + 2 * 2 + 4 bytes.
    EXPECT_EQ(bytes.size(), 28u + 4u * 30u);
    SmartRef<IKeyframe> back(createKeyframe());
    ASSERT_TRUE(load(back.get(), bytes));
    EXPECT_TRUE(back->isQuaternion());
    EXPECT_EQ(back->getKeys()[1]->easeTo, 0.25f);
    for (float time : {0.3f, 1.5f, 2.8f}) {
        const float* a = t->eval(time);
        D3DXQUATERNION qa(a[0], a[1], a[2], a[3]);
        const float* b = back->eval(time);
        D3DXQUATERNION qb(b[0], b[1], b[2], b[3]);
        EXPECT_NEAR(std::fabs(D3DXQuaternionDot(&qa, &qb)), 1.0f, 2e-3f) << time;
    }
}

TEST(KeyframeRecord, ShortOrCorruptRecordsFailAndChangeNothing) {
    Bytes good;
    good.u32(1001).u32(1).u32(1).u32(0).u32(0).u32(0).u32(1).f32(1.0f).u32(KeyLinear).f16(2.0f);
    std::vector<std::vector<unsigned char>> cases;
    for (size_t cut = 0; cut < good.m_bytes.size(); cut += 3) {
        cases.emplace_back(good.m_bytes.begin(), good.m_bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    }
    auto header = [](uint32_t dimension, uint32_t quaternion, uint32_t count) {
        Bytes b;
        b.u32(1001).u32(1).u32(dimension).u32(quaternion).u32(0).u32(0).u32(count);
        return b.m_bytes;
    };
    cases.push_back(header(0, 0, 0));            // no dimension
    cases.push_back(header(kMaxKeyframeDimension + 1, 0, 0));  // too many components
    cases.push_back(header(0xFFFFFFFFu, 0, 0));  // a buffer of 16 GiB
    cases.push_back(header(3, 1, 0));            // rotations have four
    cases.push_back(header(1, 2, 0));            // not a flag
    cases.push_back(header(1, 0, 0xFFFFFFFFu));  // far more keys than bytes
    for (const auto& bytes : cases) {
        SmartRef<IKeyframe> t(createKeyframe(2, false));
        Key* key = t->createKey();
        key->values[0] = key->values[1] = 8;
        t->addKey(key, true);
        EXPECT_FALSE(load(t.get(), bytes)) << bytes.size() << " bytes";
        EXPECT_EQ(t->getDimension(), 2u);
        EXPECT_EQ(t->getKeys().size(), 1u);
        EXPECT_EQ(t->eval(0)[1], 8);
    }
    SmartRef<IKeyframe> ok(createKeyframe());
    EXPECT_TRUE(load(ok.get(), good.m_bytes));
    EXPECT_FALSE(ok->serialize(nullptr));
}
