// One source, several small plug-in libraries: each variant answers the protocol its own way.

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/fxcore/Plugin.h>

#include "TestThing.h"

#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

core::UniqueId idOf(unsigned char tag)
{
    core::UniqueId id{};
    id.data1 = tag;
    id.data4[7] = tag;
    return id;
}

[[maybe_unused]] PluginDesc desc(int type, unsigned char tag, char const* name)
{
    PluginDesc d;
    d.type = type;
    d.id = idOf(tag);
    d.path = std::string("Test/") + name;
    d.name = name;
    return d;
}

class Thing final : public core::RefCounted<test::ITestThing>, public IPlugin {
public:
    explicit Thing(int index) : m_index(index) {}
    int queryIndex() const override { return m_index; }
    std::string library() const override { return TEST_PLUGIN_NAME; }
    PluginDesc const& getPluginDesc() const override { return m_desc; }
    void setPluginDesc(PluginDesc const& d) override { m_desc = d; }

private:
    int m_index;
    PluginDesc m_desc;
};

[[maybe_unused]] std::vector<PluginDesc> const& descriptors()
{
    static std::vector<PluginDesc> const list = {
#if defined(TEST_PLUGIN_GOOD)
        desc(kPluginGraphNode, test::kIdA, "A"),
        desc(kPluginResource, test::kIdB, "B"),
#elif defined(TEST_PLUGIN_DUP)
        desc(kPluginGraphNode, test::kIdA, "A first"),
        desc(kPluginGraphNode, test::kIdA, "A second"),
        desc(kPluginResourceLoader, test::kIdC, "C"),
#elif defined(TEST_PLUGIN_RESERVED)
        desc(kPluginGraphNode, test::kIdHidden, "Hidden"),
#elif defined(TEST_PLUGIN_NOQUERY)
        desc(kPluginGraphNode, test::kIdHidden, "Hidden"),
#endif
    };
    return list;
}

} // namespace

extern "C" {

PluginLibraryDesc* tormakelinPluginFactoryQuery()
{
    static PluginLibraryDesc library = [] {
        PluginLibraryDesc d;
        d.id = idOf(0x11);
        d.category = "Test";
        d.name = TEST_PLUGIN_NAME;
#if defined(TEST_PLUGIN_RESERVED)
        d.reserved = 1;
#endif
        return d;
    }();
    return &library;
}

#if !defined(TEST_PLUGIN_NOQUERY)
void* tormakelinPluginQuery(int kind, int index)
{
    std::vector<PluginDesc> const& list = descriptors();
    if (index < 0 || index >= static_cast<int>(list.size()))
        return nullptr;
    if (kind == 0)
        return const_cast<PluginDesc*>(&list[static_cast<size_t>(index)]);
    if (kind != 1)
        return nullptr;
    Thing* thing = new Thing(index);
    thing->setPluginDesc(list[static_cast<size_t>(index)]);
    return static_cast<IPlugin*>(thing);
}
#endif

} // extern "C"
