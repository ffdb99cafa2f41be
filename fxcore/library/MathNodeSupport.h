#pragma once

#include "PluginDescs.h"

#include <tormakelin/fxcore/Plugin.h>

#include <tormakelin/core/String.h>
#include <tormakelin/core/UniqueId.h>

#include <d3dx9math.h>

namespace tormakelin::fxcore {

inline PluginDesc mathNodeDesc(char const* id, char const* path, char const* name)
{
    return libraryPluginDesc(kPluginGraphNode, id, path, name);
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
