#pragma once
// Helpers for scene tests: byte-level file writing, save and load through memory, a headless
// render device for geometry, and small keyframe tracks.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/kavro/Node.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/kavro/Serializer.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderWindow.h>

#include "SceneBuild.h"

namespace kavro_test {

using namespace tormakelin;

// Little-endian bytes of a hand-made scene file.
class Bytes {
public:
    Bytes& raw(const void* data, size_t size)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        m_data.insert(m_data.end(), p, p + size);
        return *this;
    }
    Bytes& u8(uint8_t v) { return raw(&v, 1); }
    Bytes& u32(uint32_t v) { return raw(&v, 4); }
    Bytes& f32(float v) { return raw(&v, 4); }
    Bytes& id(const core::UniqueId& v) { return raw(&v, sizeof v); }
    Bytes& text(const std::string& s) { return u32(uint32_t(s.size())).raw(s.data(), s.size()); }
    // An animated value of n floats without a track.
    Bytes& animated(std::initializer_list<float> values)
    {
        for (float v : values) {
            f32(v);
        }
        return u32(0);
    }
    Bytes& transformation()
    {
        return u32(1001).animated({0, 0, 0}).animated({1, 1, 1}).animated({0, 0, 0, 1});
    }
    // The node record of a plain node with no children.
    Bytes& node(uint32_t version, const core::UniqueId& nodeId, const core::UniqueId& parent = {},
        const core::UniqueId& target = {})
    {
        u32(version).id(nodeId).text("node").u32(0).id(parent).id(target).u32(0);
        if (version > 1001) {
            u32(0);
        }
        return u32(1001).transformation().transformation();
    }
    Bytes& header() { return raw("KAVRO", 5).u32(1001); }
    const std::vector<uint8_t>& data() const { return m_data; }

private:
    std::vector<uint8_t> m_data;
};

inline core::UniqueId makeId(uint8_t seed)
{
    core::UniqueId id{};
    std::memset(&id, seed, sizeof id);
    return id;
}

inline core::UniqueId chainNodeId(uint32_t index)
{
    core::UniqueId id{};
    std::memcpy(&id, &++index, sizeof index);
    return id;
}

// A scene file of `count` nodes, each the child of the one before and one unit further along x.
inline std::vector<uint8_t> parentChain(uint32_t count)
{
    Bytes file;
    file.header().u32(0).u32(0).u32(0).u32(count);
    for (uint32_t i = 0; i < count; ++i) {
        file.u32(kavro::NodeType_Node).u32(1002).id(chainNodeId(i)).text("n").u32(0);
        file.id(i > 0 ? chainNodeId(i - 1) : core::UniqueId{}).id(core::UniqueId{});
        file.u32(i + 1 < count ? 1 : 0);
        if (i + 1 < count) {
            file.id(chainNodeId(i + 1));
        }
        file.u32(0).u32(1001).transformation();
        file.u32(1001).animated({1, 0, 0}).animated({1, 1, 1}).animated({0, 0, 0, 1});
    }
    return file.u32(0).data();
}

// The graph read from the bytes (count 0), or null.
inline kavro::ISceneGraph* loadBytes(const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> copy = bytes;
    core::MemStream* stream = core::createMemStream(copy.data(), unsigned(copy.size()), true, false);
    stream->addRef();
    kavro::Serializer serializer;
    serializer.addRef();
    kavro::ISceneGraph* graph = nullptr;
    if (serializer.create(stream, kavro::SerializerParams{})) {
        graph = kavro::createSceneGraph();
        if (!graph->serialize(&serializer)) {
            delete graph;
            graph = nullptr;
        }
    }
    stream->release();
    return graph;
}

// A track of `dimension` floats through the given (time, values) keys, linear.
inline core::IKeyframe* linearTrack(unsigned dimension, const std::vector<std::pair<float, std::vector<float>>>& keys)
{
    core::IKeyframe* track = core::createKeyframe(dimension, false);
    for (const auto& [time, values] : keys) {
        core::Key* key = track->createKey();
        key->time = time;
        key->kind = core::KeyLinear;
        for (unsigned i = 0; i < dimension; ++i) {
            key->values[i] = values[i];
        }
        track->addKey(key, true);
    }
    return track;
}

// A headless device of the given back-buffer size for the test's lifetime.
class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(openDevice(64, 48)); }
    void TearDown() override
    {
        if (device) {
            device->release();
            device = nullptr;
        }
    }
    bool openDevice(unsigned width, unsigned height)
    {
        device = render::createRenderDevice();
        device->addRef();
        render::DeviceCreateParams params;
        params.width = width;
        params.height = height;
        return device->create(&window, params);
    }
    test::HiddenWindow window;
    render::IRenderDevice* device = nullptr;
};

}  // namespace kavro_test
