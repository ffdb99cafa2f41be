#pragma once
// The shape every test plug-in library shares: a table of descriptors with their makers, and the
// two entry-point answers over it. Ids carry their tag in the first and last byte.

#include <tormakelin/core/UniqueId.h>
#include <tormakelin/fxcore/Plugin.h>

#include <functional>
#include <vector>

namespace testplugin {

using tormakelin::core::UniqueId;
using tormakelin::fxcore::IPlugin;
using tormakelin::fxcore::PluginDesc;

inline UniqueId idOf(unsigned char tag)
{
    UniqueId id{};
    id.data1 = tag;
    id.data4[7] = tag;
    return id;
}

inline PluginDesc desc(int type, unsigned char tag, char const* path)
{
    PluginDesc d;
    d.type = type;
    d.id = idOf(tag);
    d.path = path;
    d.name = path;
    return d;
}

template <class T>
IPlugin* make()
{
    return new T();
}

struct Entry {
    PluginDesc desc;
    std::function<IPlugin*()> create;
};

// Kind 0 answers the descriptor at the index, kind 1 a new object of that type.
inline void* query(std::vector<Entry> const& list, int kind, int index)
{
    if (index < 0 || index >= static_cast<int>(list.size()))
        return nullptr;
    Entry const& entry = list[static_cast<size_t>(index)];
    if (kind == 0)
        return const_cast<PluginDesc*>(&entry.desc);
    if (kind != 1)
        return nullptr;
    IPlugin* plugin = entry.create();
    plugin->setPluginDesc(entry.desc);
    return plugin;
}

} // namespace testplugin
