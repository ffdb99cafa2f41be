#pragma once
// A 64x64 headless device for drawing family nodes and reading the back buffer.

#include "DeviceTestSupport.h"

#include <tormakelin/fxcore/Resources.h>
#include <tormakelin/fxcore/Services.h>
#include <tormakelin/fxcore/TextureEffect.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/Texture.h>

#include <d3d9.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace texture_test {

using namespace tormakelin;

using fxcore::test::HiddenWindow;

struct Rgba {
    int r, g, b, a;
};

inline Rgba unpack(uint32_t argb)
{
    return {int((argb >> 16) & 0xFF), int((argb >> 8) & 0xFF), int(argb & 0xFF), int(argb >> 24)};
}

// Each component within the tolerance; alpha is left out when the pixel's alpha is not meant.
inline void expectNear(Rgba got, Rgba want, int tolerance, bool alpha = true)
{
    EXPECT_NEAR(got.r, want.r, tolerance);
    EXPECT_NEAR(got.g, want.g, tolerance);
    EXPECT_NEAR(got.b, want.b, tolerance);
    if (alpha) {
        EXPECT_NEAR(got.a, want.a, tolerance);
    }
}

// Sets inputs by text and runs the node's update, as the graph does each frame.
inline void setInputs(fxcore::GraphNode& node, std::vector<std::pair<char const*, char const*>> const& values)
{
    for (auto const& [name, text] : values) {
        fxcore::NodeParameter* input = node.findInput(name);
        ASSERT_NE(input, nullptr) << name;
        input->value->setText(text);
    }
    fxcore::UpdateContext context;
    node.setUpdateFlag(true);
    node.update(context);
}

// Resources the framework's lookup finds by id and kind while this lives, as a document's would.
class ResourceLookup {
public:
    ResourceLookup() { fxcore::FrameworkServices::findResource = &find; }
    ~ResourceLookup()
    {
        s_resources.clear();
        fxcore::FrameworkServices::findResource = [](core::UniqueId const&, std::vector<core::UniqueId> const&) {
            return static_cast<fxcore::IResource*>(nullptr);
        };
    }
    ResourceLookup(ResourceLookup const&) = delete;
    ResourceLookup& operator=(ResourceLookup const&) = delete;

    // Takes the resource under the id; the id text is what a resource input names.
    std::string add(fxcore::Resource* resource, char const* id)
    {
        resource->getInfo().id = core::stringToUniqueId(id);
        s_resources.emplace_back(resource);
        return id;
    }
    // A texture resource holding `texture`.
    std::string addTexture(render::ITexture* texture, char const* id)
    {
        auto* resource = new fxcore::TextureResource;
        resource->setPluginDesc(fxcore::TextureResource::_pluginDesc);
        resource->setTexture(texture);
        return add(resource, id);
    }
    void remove(std::string const& id)
    {
        std::erase_if(s_resources, [&](auto const& r) { return r->getInfo().id == core::stringToUniqueId(id); });
    }

private:
    static fxcore::IResource* find(core::UniqueId const& id, std::vector<core::UniqueId> const& kinds)
    {
        for (auto const& resource : s_resources) {
            auto const* plugin = dynamic_cast<fxcore::IPlugin const*>(resource.get());
            bool const kindOk = kinds.empty() ||
                std::find(kinds.begin(), kinds.end(), plugin->getPluginDesc().id) != kinds.end();
            if (resource->getInfo().id == id && kindOk) {
                resource->addRef();
                return resource.get();
            }
        }
        return nullptr;
    }

    static inline std::vector<core::SmartRef<fxcore::IResource>> s_resources;
};

class FamilyDeviceTest : public ::testing::Test {
protected:
    static constexpr unsigned kSize = 64;

    void SetUp() override
    {
        device = render::createRenderDevice();
        render::DeviceCreateParams params;
        params.width = kSize;
        params.height = kSize;
        ASSERT_TRUE(device->create(&window, params));
        ASSERT_TRUE(device->beginScene());
    }

    void TearDown() override
    {
        if (device)
            device->endScene();
        device = nullptr;
    }

    void clear(Rgba c)
    {
        D3DXVECTOR4 const colour(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, c.a / 255.0f);
        device->clear(render::Clear_Colour, colour, 1.0f, 0);
    }

    // Rows of 32-bit A8R8G8B8 words.
    render::ITexture* makeTexture(std::vector<uint32_t> const& pixels, unsigned width, unsigned height)
    {
        render::TextureCreateParams params;
        params.levels = 1;
        render::ITexture* texture = render::createTextureRgba(width, height, pixels.data(), &params);
        textures.emplace_back(texture);
        return texture;
    }

    render::ITexture* solidTexture(uint32_t argb)
    {
        return makeTexture(std::vector<uint32_t>(size_t(kSize) * kSize, argb), kSize, kSize);
    }

    std::vector<uint32_t> pixels() { return fxcore::test::backBufferPixels(device->getD3DDevice()); }

    Rgba pixel(unsigned x, unsigned y) { return unpack(pixels()[size_t(y) * kSize + x]); }

    HiddenWindow window;
    core::SmartRef<render::IRenderDevice> device;
    std::vector<core::SmartRef<render::ITexture>> textures;
    fxcore::RenderContext context;
};

} // namespace texture_test
