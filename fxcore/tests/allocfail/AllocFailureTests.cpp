// The registry under failing allocations: this program replaces the global operator new so a
// test can make the n-th allocation fail.
#include <tormakelin/fxcore/GraphNode.h>
#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/Serializer.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Xml.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
long g_failAfter = -1;
}

void* operator new(std::size_t size)
{
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

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

using namespace tormakelin::fxcore;

TEST(RegistryAllocation, EveryFailedAllocationWhileCreatingGivesNullAndLaterOnesSucceed)
{
    // Objects of different shapes: math, logic, stacks, script, screen and shader nodes, a resource.
    for (int index : {0, 41, 42, 52, 56, 58, 68, 83, 116}) {
        IPlugin* plugin = nullptr;
        int failures = 0;
        for (long n = 0; n < 100000 && !plugin; ++n) {
            g_failAfter = n;
            plugin = static_cast<IPlugin*>(tormakelinPluginQuery(1, index));
            bool const failed = g_failAfter == -1 && !plugin;
            g_failAfter = -1;
            failures += failed ? 1 : 0;
        }
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
