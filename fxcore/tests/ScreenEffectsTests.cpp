#include <tormakelin/fxcore/Application.h>
#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Layer.h>
#include <tormakelin/fxcore/MathNodes.h>
#include <tormakelin/fxcore/RenderTargetResource.h>
#include <tormakelin/fxcore/ScreenEffects.h>

#include <tormakelin/core/String.h>
#include <tormakelin/render/RenderTarget.h>
#include <tormakelin/render/RenderView.h>
#include <tormakelin/render/Texture.h>

#include "DeviceTestSupport.h"
#include "MathNodeSupport.h"

#include <algorithm>
#include <memory>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

using fxcore::test::link;

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;

// Effects drawn on a headless device inside an application whose document holds the resources.
class ScreenEffectsTest : public fxcore::test::DeviceTest {
protected:
    void SetUp() override
    {
        fxcore::test::DeviceTest::SetUp();
        m_app = std::make_unique<Application>();
        m_app->newDocument();
        m_graph = createGraph(0);
    }
    void TearDown() override
    {
        m_graph = nullptr;
        m_app.reset();
        fxcore::test::DeviceTest::TearDown();
    }

    // A node of the class as the registry makes it, kept by the test's graph.
    template <class T>
    T* make()
    {
        auto* node = new T();
        static_cast<IPlugin*>(node)->setPluginDesc(T::_pluginDesc);
        m_graph->addNode(node);
        return node;
    }

    ClearScreen* clearTo(uint32_t colour, char const* flags = "7")
    {
        ClearScreen* clear = make<ClearScreen>();
        set(clear, "Color",
            core::formatString("%u,%u,%u,%u", (colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF, colour >> 24));
        set(clear, "Flags", flags);
        return clear;
    }

    static void set(IGraphNode* node, char const* input, std::string const& text)
    {
        node->findInput(input)->value->setText(text);
        UpdateContext context;
        node->setUpdateFlag(true);
        node->update(context);
    }

    // A render-target resource of the document; its id text names it in resource inputs.
    RenderTargetResource* addTarget(unsigned width, unsigned height, D3DFORMAT format = D3DFMT_A8R8G8B8)
    {
        auto* resource = new RenderTargetResource();
        static_cast<IPlugin*>(resource)->setPluginDesc(RenderTargetResource::_pluginDesc);
        resource->addRef();
        resource->create(width, height, render::TextureCreateParams{1, D3DUSAGE_RENDERTARGET, format}, true);
        m_app->getDocument()->getResourceManager()->addResource(resource);
        resource->release();
        return resource;
    }

    static std::string idText(IResource* resource) { return core::uniqueIdToString(resource->getInfo().id); }

    static std::vector<uint32_t> targetPixels(RenderTargetResource* resource)
    {
        auto* texture = static_cast<IDirect3DTexture9*>(resource->getTexture()->getD3DTexture());
        IDirect3DSurface9* level = nullptr;
        if (texture->GetSurfaceLevel(0, &level) != D3D_OK)
            return {};
        std::vector<uint32_t> pixels = fxcore::test::surfacePixels(level);
        level->Release();
        return pixels;
    }

    void clearBackBuffer(uint32_t colour)
    {
        d3d()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, colour, 1.0f, 0);
    }

    static bool all(std::vector<uint32_t> const& pixels, uint32_t colour)
    {
        return !pixels.empty() && std::all_of(pixels.begin(), pixels.end(), [&](uint32_t p) { return p == colour; });
    }

    std::unique_ptr<Application> m_app;
    core::SmartRef<IGraph> m_graph;
    RenderContext m_context;
};

TEST_F(ScreenEffectsTest, ClearScreenPassesItsFlagOptionsToTheDevice)
{
    NodeParameter const* flags = make<ClearScreen>()->findInput("Flags");
    ASSERT_NE(flags, nullptr);
    ParameterOptions const expected = {{"Target", 1}, {"Stencil", 2}, {"Z-Buffer", 4}, {"All", 7}};
    EXPECT_EQ(flags->value->getOptions(), expected);
    EXPECT_EQ(flags->value->getText(), "7");

    // Only the colour flag touches the colour.
    struct Case {
        char const* flags;
        uint32_t expected;
    };
    for (Case c : {Case{"1", kGreen}, Case{"7", kGreen}, Case{"4", kRed}, Case{"2", kRed}, Case{"6", kRed}}) {
        clearBackBuffer(kRed);
        clearTo(kGreen, c.flags)->render(m_context);
        EXPECT_TRUE(all(backBufferPixels(), c.expected)) << c.flags;
    }
}

TEST_F(ScreenEffectsTest, ClearScreenClearsTheCurrentViewOnly)
{
    clearBackBuffer(kRed);
    core::SmartRef<render::IRenderView> const view = render::createRenderView();
    view->getViewport() = {8, 4, 16, 12, 0.0f, 1.0f};
    ASSERT_TRUE(view->begin());
    clearTo(kBlue)->render(m_context);
    view->end();
    std::vector<uint32_t> const pixels = backBufferPixels();
    EXPECT_EQ(pixels[5 * kWidth + 9], kBlue);
    EXPECT_EQ(pixels[15 * kWidth + 23], kBlue);
    EXPECT_EQ(pixels[3 * kWidth + 9], kRed);
    EXPECT_EQ(pixels[16 * kWidth + 24], kRed);
}

TEST_F(ScreenEffectsTest, RenderTargetEffectDrawsItsLinkedEffectsInOrderIntoTheTarget)
{
    RenderTargetResource* target = addTarget(16, 8);
    auto* effect = make<RenderTargetEffect>();
    set(effect, "Attributes/Render Target", idText(target));
    auto* stack = make<NodeStack>();
    ASSERT_TRUE(link(clearTo(kGreen), "Output", stack, "Input-1"));
    ASSERT_TRUE(link(make<Abs>(), "Result", stack, "Input-2"));
    ASSERT_TRUE(link(clearTo(kBlue), "Output", stack, "Input-3"));
    ASSERT_TRUE(link(stack, "Output", effect, "Effects/Effects"));

    clearBackBuffer(kRed);
    IDirect3DSurface9* const backBuffer = currentTarget();
    effect->render(m_context);
    EXPECT_TRUE(all(targetPixels(target), kBlue)) << "the last linked effect drew last; the math node was skipped";
    EXPECT_TRUE(all(backBufferPixels(), kRed));
    EXPECT_EQ(currentTarget(), backBuffer);
}

TEST_F(ScreenEffectsTest, RenderTargetEffectWithoutATargetDrawsNothing)
{
    RenderTargetResource* failed = addTarget(16, 8, D3DFMT_UNKNOWN);
    ASSERT_EQ(failed->getRenderTarget(), nullptr);
    auto* effect = make<RenderTargetEffect>();
    ASSERT_TRUE(link(clearTo(kGreen), "Output", effect, "Effects/Effects"));
    // No resource named, a resource of no target, an id of nothing.
    for (std::string const& name : {std::string("0"), idText(failed), std::string("12345678-0000-0000-0000-000000000000")}) {
        set(effect, "Attributes/Render Target", name);
        clearBackBuffer(kRed);
        effect->render(m_context);
        EXPECT_TRUE(all(backBufferPixels(), kRed)) << name;
    }
}

TEST_F(ScreenEffectsTest, ATargetThatIsRenderingIsNotEnteredAgain)
{
    RenderTargetResource* target = addTarget(16, 8);
    auto* outer = make<RenderTargetEffect>();
    auto* inner = make<RenderTargetEffect>();
    set(outer, "Attributes/Render Target", idText(target));
    set(inner, "Attributes/Render Target", idText(target));
    auto* stack = make<NodeStack>();
    ASSERT_TRUE(link(clearTo(kGreen), "Output", stack, "Input-1"));
    ASSERT_TRUE(link(inner, "Output", stack, "Input-2"));
    ASSERT_TRUE(link(stack, "Output", outer, "Effects/Effects"));
    ASSERT_TRUE(link(clearTo(kBlue), "Output", inner, "Effects/Effects"));

    clearBackBuffer(kRed);
    IDirect3DSurface9* const backBuffer = currentTarget();
    outer->render(m_context);
    EXPECT_TRUE(all(targetPixels(target), kGreen)) << "the inner effect found its target busy";
    EXPECT_TRUE(all(backBufferPixels(), kRed));
    EXPECT_EQ(currentTarget(), backBuffer) << "the outer end still restored the back buffer";
}

TEST_F(ScreenEffectsTest, BackBuffer2ScreenCopiesTheViewOfTheBackBufferOverTheWholeTarget)
{
    RenderTargetResource* target = addTarget(8, 8);
    auto* copy = make<BackBuffer2Screen>();
    set(copy, "Render Target", idText(target));
    clearBackBuffer(kRed);
    core::SmartRef<render::IRenderView> const view = render::createRenderView();
    view->getViewport() = {16, 8, 32, 16, 0.0f, 1.0f};
    ASSERT_TRUE(view->begin());
    clearTo(kGreen)->render(m_context);
    copy->render(m_context);
    view->end();
    EXPECT_TRUE(all(targetPixels(target), kGreen)) << "only the view's part of the back buffer, stretched";

    set(copy, "Render Target", "0");
    clearBackBuffer(kBlue);
    copy->render(m_context);
    EXPECT_TRUE(all(targetPixels(target), kGreen)) << "no resource, no copy";
}

TEST_F(ScreenEffectsTest, ALayerWithATargetResourceSendsItsChildrensDrawingThere)
{
    RenderTargetResource* target = addTarget(16, 8);
    IDocument* document = m_app->getDocument();
    core::SmartRef<IScene> const scene = createScene();
    document->getSceneManager()->addScene(scene.get());

    auto addLayer = [](ILayer* parent, LayerType type) {
        core::SmartRef<ILayer> const layer = createLayer(type);
        core::SmartRef<ITimeSegment> const segment = createTimeSegment();
        segment->getRange()[0] = 0;
        segment->getRange()[1] = 100;
        layer->getTime().addSegment(segment.get());
        parent->addLayer(layer.get());
        return layer.get();
    };
    auto drawingGraph = [&](uint32_t colour) {
        core::SmartRef<IGraph> const graph = createGraph(0);
        core::SmartRef<IGraph> const saved = m_graph;
        m_graph = graph;
        auto* stack = make<RenderStack>();
        EXPECT_TRUE(link(clearTo(colour), "Output", stack, "Input-1"));
        m_graph = saved;
        document->getGraphManager()->add(graph.get());
        return graph.get();
    };
    ILayer* parent = addLayer(scene->getRootLayer(), kLayerGraphInstance);
    parent->setGraphInstance(drawingGraph(kBlue));
    parent->getInfo().renderTarget = target->getInfo().id;
    ILayer* child = addLayer(parent, kLayerGraphInstance);
    child->setGraphInstance(drawingGraph(kGreen));

    clearBackBuffer(kRed);
    UpdateContext context;
    context.time = 0.5;
    context.playing = true;
    context.scene = scene.get();
    document->update(context);
    EXPECT_TRUE(all(targetPixels(target), kGreen)) << "the child drew into the target";
    EXPECT_TRUE(all(backBufferPixels(), kBlue)) << "the layer's own graph drew where it was";
}

} // namespace
