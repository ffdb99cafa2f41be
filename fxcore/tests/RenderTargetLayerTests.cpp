// A project whose layer names a render-target resource: the resource comes from its loader during
// the project load, and the layer's children draw into it, not into the back buffer.

#include "DeviceTestSupport.h"
#include "DocumentTestSupport.h"
#include "LibraryTypes.h"

#include <tormakelin/fxcore/RenderTargetResource.h>
#include <tormakelin/fxcore/ResourceLoaders.h>
#include <tormakelin/fxcore/ScreenEffects.h>

#include <tormakelin/render/Texture.h>

namespace tormakelin::fxcore::test {
namespace {

std::string const kTargetId = "7A3E0100-0000-0000-0000-000000000001";

// A parent layer drawing into a 16 x 16 target, and its child clearing to red.
std::string project()
{
    return "<Tormakelin><ResourceManager>"
           "<Resource Id=\"" + kTargetId + "\" ResourceLoaderPluginId=\"" +
        core::uniqueIdToString(RenderTargetResourceLoader::_pluginDesc.id) +
        "\"><ParameterMap><Parameter Name=\"Width\" Value=\"16\"/><Parameter Name=\"Height\" Value=\"16\"/>"
        "</ParameterMap></Resource></ResourceManager>"
        "<GraphManager><Graph Id=\"7A3E0200-0000-0000-0000-000000000001\" Type=\"0\" SortOrder=\"2\">"
        "<GraphNode Id=\"7A3E0201-0000-0000-0000-000000000001\" PluginId=\"" +
        core::uniqueIdToString(ClearScreen::_pluginDesc.id) +
        "\" SortOrder=\"0\"><Inputs><Parameter Name=\"Color\" Type=\"9\" Value=\"255,0,0,255\"/></Inputs>"
        "<Outputs><Parameter Name=\"Output\" Id=\"7A3E0202-0000-0000-0000-000000000001\" Type=\"0\"/></Outputs>"
        "</GraphNode>"
        "<GraphNode Id=\"7A3E0201-0000-0000-0000-000000000002\" PluginId=\"" +
        core::uniqueIdToString(RenderStack::_pluginDesc.id) +
        "\" SortOrder=\"1\"><Inputs><Parameter Name=\"Input-1\" Type=\"0\">"
        "<InputLink NodeId=\"7A3E0201-0000-0000-0000-000000000001\" ParamId=\"7A3E0202-0000-0000-0000-000000000001\"/>"
        "</Parameter></Inputs></GraphNode></Graph></GraphManager>"
        "<SceneManager><Scene Id=\"7A3E0001-0000-0000-0000-000000000001\">"
        "<Layer Id=\"7A3E0002-0000-0000-0000-000000000001\" Type=\"1\" Name=\"Offscreen\" RenderTargetResourceId=\"" +
        kTargetId +
        "\" Visible=\"1\"><Time><TimeSegment Start=\"0\" End=\"1000\"/></Time>"
        "<Layer Id=\"7A3E0002-0000-0000-0000-000000000002\" Type=\"2\" Name=\"Red\" "
        "GraphInstance=\"7A3E0200-0000-0000-0000-000000000001\" Visible=\"1\">"
        "<Time><TimeSegment Start=\"0\" End=\"1000\"/></Time></Layer></Layer>"
        "</Scene></SceneManager></Tormakelin>";
}

class RenderTargetLayer : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        m_app = std::make_unique<Application>();
        m_app->newDocument();
        m_types = std::make_unique<LibraryTypes>();
    }
    void TearDown() override
    {
        m_app.reset();
        m_types.reset();
        DeviceTest::TearDown();
    }

    std::unique_ptr<Application> m_app;
    std::unique_ptr<LibraryTypes> m_types;
};

TEST_F(RenderTargetLayer, ChildrenDrawIntoTheLoadedTarget)
{
    IDocument* document = m_app->getDocument();
    ASSERT_TRUE(loadDocument(document, project()));
    auto* target = dynamic_cast<RenderTargetResource*>(
        document->getResourceManager()->findResource(core::stringToUniqueId(kTargetId)));
    ASSERT_NE(target, nullptr);
    ASSERT_NE(target->getTexture(), nullptr);

    ASSERT_EQ(d3d()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
    ASSERT_TRUE(m_device->beginScene());
    UpdateContext context;
    context.time = 1.0;
    context.playing = true;
    context.scene = document->getSceneManager()->getScenes().front();
    document->update(context);
    m_device->endScene();

    IDirect3DSurface9* surface = nullptr;
    auto* texture = static_cast<IDirect3DTexture9*>(target->getTexture()->getD3DTexture());
    ASSERT_EQ(texture->GetSurfaceLevel(0, &surface), D3D_OK);
    std::vector<uint32_t> const drawn = surfacePixels(surface);
    surface->Release();
    ASSERT_EQ(drawn.size(), 16u * 16u);
    EXPECT_EQ(std::count(drawn.begin(), drawn.end(), 0xFFFF0000u), long(drawn.size()));
    std::vector<uint32_t> const back = backBufferPixels();
    EXPECT_EQ(std::count(back.begin(), back.end(), 0xFF0000FFu), long(back.size()));
}

} // namespace
} // namespace tormakelin::fxcore::test
