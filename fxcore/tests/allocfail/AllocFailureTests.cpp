// The registry under failing allocations: this program replaces the global operator new so a
// test can make the n-th allocation fail.
#include <tormakelin/fxcore/GraphNode.h>
#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/Serializer.h>
#include <tormakelin/fxcore/TextEffect.h>
#include <tormakelin/fxcore/TextureEffect.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Xml.h>
#include <tormakelin/render/Texture.h>

#include <HeadlessDevice.h>
#include <QuietLog.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace {
long g_failAfter = -1;
long g_allocations = 0;
}

void* operator new(std::size_t size)
{
    ++g_allocations;
    if (g_failAfter == 0) {
        g_failAfter = -1;
        throw std::bad_alloc();
    }
    if (g_failAfter > 0)
        --g_failAfter;
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

// Not inlined: the compiler would otherwise pair a new-expression with free and warn.
[[gnu::noinline]] void operator delete(void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept { std::free(block); }

using namespace tormakelin::fxcore;

namespace {

// Creates the registry row's object while the n-th allocation fails, for n = 0, 1, ... until one
// creation succeeds; `afterFailure(n)` checks what a failed try left behind.
template <typename Check>
IPlugin* createFailingEachAllocation(int index, int& failures, Check afterFailure)
{
    IPlugin* plugin = nullptr;
    for (long n = 0; n < 100000 && !plugin; ++n) {
        g_failAfter = n;
        plugin = static_cast<IPlugin*>(tormakelinPluginQuery(1, index));
        bool const failed = g_failAfter == -1 && !plugin;
        g_failAfter = -1;
        failures += failed ? 1 : 0;
        if (!plugin)
            afterFailure(n);
    }
    return plugin;
}

} // namespace

TEST(RegistryAllocation, EveryFailedAllocationWhileCreatingGivesNullAndLaterOnesSucceed)
{
    // Objects of different shapes: math, logic, stacks, script, screen and shader nodes, a resource.
    for (int index : {0, 41, 42, 52, 56, 58, 68, 83, 116}) {
        int failures = 0;
        IPlugin* plugin = createFailingEachAllocation(index, failures, [](long) {});
        ASSERT_NE(plugin, nullptr) << index;
        EXPECT_GT(failures, 0) << index;
        if (auto* node = dynamic_cast<IGraphNode*>(plugin)) {
            node->addRef();
            node->release();
        } else {
            auto* resource = dynamic_cast<IResource*>(plugin);
            ASSERT_NE(resource, nullptr) << index;
            resource->addRef();
            resource->release();
        }
    }
}

TEST(RegistryAllocation, AFailedDescriptorCopyIsMadeOnTheNextQuery)
{
    g_failAfter = 0;
    void* first = tormakelinPluginQuery(0, 64);
    g_failAfter = -1;
    EXPECT_EQ(first, nullptr);
    auto const* desc = static_cast<PluginDesc const*>(tormakelinPluginQuery(0, 64));
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->name, "Time");
}

TEST(SerializerAllocation, AFailedAllocationGivesNullAndHoldsNothing)
{
    for (int mode : {0, 1}) {
        tormakelin::core::SmartRef<tormakelin::core::IXmlDocument> const document(tormakelin::core::createXmlDocument());
        ASSERT_TRUE(document->create("Tormakelin"));
        ISerializer* serializer = nullptr;
        int failures = 0;
        for (long n = 0; n < 1000 && !serializer; ++n) {
            g_failAfter = n;
            serializer = createSerializer({mode, document.get(), false});
            failures += (g_failAfter == -1 && !serializer) ? 1 : 0;
            g_failAfter = -1;
        }
        ASSERT_NE(serializer, nullptr) << mode;
        EXPECT_GE(failures, 2) << "the serializer and its context each fail once";
        serializer->addRef();
        EXPECT_NE(mode ? static_cast<void*>(serializer->getSaveContext()) : static_cast<void*>(serializer->getLoadContext()),
            nullptr);
        serializer->release();
        // Only the test's reference is left after every failed try.
        EXPECT_EQ(document->addRef(), 2) << mode;
        document->release();
    }
}

namespace {

using tormakelin::core::SmartRef;
namespace render = tormakelin::render;

// Creates the row's object while the n-th allocation fails, for every n until one succeeds;
// after each failure the family's count must be what it was.
void createUnderEveryFailure(int index)
{
    unsigned const before = TextureEffect::m_refCount;
    int failures = 0;
    IPlugin* plugin = createFailingEachAllocation(index, failures, [before](long n) {
        ASSERT_EQ(TextureEffect::m_refCount, before) << "allocation " << n;
    });
    ASSERT_NE(plugin, nullptr);
    EXPECT_GT(failures, 0);
    EXPECT_EQ(TextureEffect::m_refCount, before + 1);
    auto* node = dynamic_cast<IGraphNode*>(plugin);
    ASSERT_NE(node, nullptr);
    node->addRef();
    node->release();
    EXPECT_EQ(TextureEffect::m_refCount, before);
}

class FamilyAllocation : public ::testing::Test {
protected:
    static constexpr unsigned kSize = 16;

    void SetUp() override
    {
        tormakelin::test::useHeadlessDrivers();
        device = render::createRenderDevice();
        render::DeviceCreateParams params;
        params.width = kSize;
        params.height = kSize;
        ASSERT_TRUE(device->create(&window, params));
    }

    tormakelin::test::HiddenWindow window;
    SmartRef<render::IRenderDevice> device;
};

} // namespace

// Every row of the texture-effect family, failing part-way through its construction, leaves the
// shared effect to the nodes that live: one of them still draws afterwards.
TEST_F(FamilyAllocation, AFailedConstructionLeavesTheSharedEffectToTheLivingNodes)
{
    SmartRef<TextureEffect> live(new TextureEffect);
    ASSERT_EQ(TextureEffect::m_refCount, 1u);
    std::vector<std::string> made;
    for (int index = 0; auto const* desc = static_cast<PluginDesc const*>(tormakelinPluginQuery(0, index)); ++index) {
        if (desc->path.rfind("Effect/Texture/", 0) != 0)
            continue;
        SCOPED_TRACE(desc->path);
        createUnderEveryFailure(index);
        made.push_back(desc->path);
    }
    for (char const* path : {"Effect/Texture/Wave", "Effect/Texture/Glow", "Effect/Texture/Blur",
                             "Effect/Texture/Gradient", "Effect/Texture/Fullscreen Quad", "Effect/Texture/Texture"})
        EXPECT_NE(std::find(made.begin(), made.end(), path), made.end()) << path;
    ASSERT_EQ(TextureEffect::m_refCount, 1u);
    ASSERT_NE(TextureEffect::sharedShader(), nullptr);

    std::vector<uint32_t> const green(size_t(kSize) * kSize, 0xFF00FF00u);
    SmartRef<render::ITexture> texture(render::createTextureRgba(kSize, kSize, green.data()));
    live->findInput("Transform/Size")->value->setText("16,16");
    UpdateContext context;
    live->setUpdateFlag(true);
    live->update(context);
    ASSERT_TRUE(device->beginScene());
    device->clear(render::Clear_Colour, D3DXVECTOR4(0, 0, 0, 1), 1.0f, 0);
    live->drawShared(texture.get());
    device->endScene();
    EXPECT_EQ(tormakelin::test::backBufferPixels(device->getD3DDevice()), green);
}

// The first node of the family compiles the shared effect; an allocation failing in there
// leaves no count and no half-made shared data behind.
TEST_F(FamilyAllocation, AFailureWhileMakingTheSharedEffectLeavesNothingBehind)
{
    ASSERT_EQ(TextureEffect::m_refCount, 0u);
    long inputs = 0;
    {
        SmartRef<TextureEffect> first(new TextureEffect);
        long const start = g_allocations;
        SmartRef<TextureEffect> second(new TextureEffect);
        inputs = g_allocations - start;
    }
    ASSERT_EQ(TextureEffect::m_shared, nullptr);
    // A compile that runs out of memory says so on the log; that is not what is tested.
    tormakelin::test::LogCatcher const quiet;
    // From the last allocation of the inputs on: the shared data, the shader, the compile.
    for (long n = inputs - 1; n < inputs + 24; ++n) {
        SmartRef<TextureEffect> node;
        g_failAfter = n;
        try {
            node = new TextureEffect;
        } catch (std::bad_alloc const&) {
        }
        g_failAfter = -1;
        if (node)
            continue;
        EXPECT_EQ(TextureEffect::m_refCount, 0u) << "allocation " << n;
        EXPECT_EQ(TextureEffect::m_shared, nullptr) << "allocation " << n;
    }
    ASSERT_EQ(TextureEffect::m_refCount, 0u);
    SmartRef<TextureEffect> node(new TextureEffect);
    ASSERT_NE(TextureEffect::m_shared, nullptr);
    EXPECT_TRUE(TextureEffect::m_shared->ready());
}

namespace {

// The first node of a class that shares one effect among its own nodes, failing at each
// allocation from the last of its inputs on through the making of the shared effect: each failure
// leaves no count and no shared data, and the next node makes a shared effect it can draw with.
template <class SharingEffect>
void firstNodeUnderEachFailure()
{
    ASSERT_EQ(SharingEffect::m_refCount, 0u);
    long inputs = 0;
    {
        SmartRef<SharingEffect> first(new SharingEffect);
        long const start = g_allocations;
        SmartRef<SharingEffect> second(new SharingEffect);
        inputs = g_allocations - start;
    }
    ASSERT_EQ(SharingEffect::m_shared, nullptr);
    tormakelin::test::LogCatcher const quiet;
    int failures = 0;
    for (long n = inputs - 1; n < inputs + 24; ++n) {
        SmartRef<SharingEffect> node;
        g_failAfter = n;
        try {
            node = new SharingEffect;
        } catch (std::bad_alloc const&) {
        }
        g_failAfter = -1;
        if (node)
            continue;
        ++failures;
        EXPECT_EQ(SharingEffect::m_refCount, 0u) << "allocation " << n;
        EXPECT_EQ(SharingEffect::m_shared, nullptr) << "allocation " << n;
        SmartRef<SharingEffect> const next(new SharingEffect);
        ASSERT_NE(SharingEffect::m_shared, nullptr) << "allocation " << n;
        EXPECT_TRUE(SharingEffect::m_shared->ready()) << "allocation " << n;
    }
    EXPECT_GT(failures, 1);
    EXPECT_EQ(SharingEffect::m_refCount, 0u);
    EXPECT_EQ(SharingEffect::m_shared, nullptr);
}

} // namespace

TEST_F(FamilyAllocation, AFailedFirstTextOrSplineNodeLeavesTheNextOneItsSharedEffect)
{
    {
        SCOPED_TRACE("TextEffect");
        firstNodeUnderEachFailure<TextEffect>();
    }
    {
        SCOPED_TRACE("Spline2DEffect");
        firstNodeUnderEachFailure<Spline2DEffect>();
    }
}
