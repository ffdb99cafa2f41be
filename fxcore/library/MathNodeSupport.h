#pragma once

#include <tormakelin/fxcore/Plugin.h>

#include <tormakelin/core/String.h>
#include <tormakelin/core/UniqueId.h>

#include <d3dx9math.h>

namespace tormakelin::fxcore {

inline PluginDesc mathNodeDesc(char const* id, char const* path, char const* name)
{
    PluginDesc desc;
    desc.type = kPluginGraphNode;
    desc.id = core::stringToUniqueId(id);
    desc.path = path;
    desc.name = name;
    return desc;
}

inline float& component(D3DXVECTOR4& v, int i)
{
    return i == 0 ? v.x : i == 1 ? v.y : i == 2 ? v.z : v.w;
}

inline float component(D3DXVECTOR4 const& v, int i)
{
    return i == 0 ? v.x : i == 1 ? v.y : i == 2 ? v.z : v.w;
}

inline D3DXVECTOR4 splat(float value) { return D3DXVECTOR4(value, value, value, value); }

} // namespace tormakelin::fxcore
