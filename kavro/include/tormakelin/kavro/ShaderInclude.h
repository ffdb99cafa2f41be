#pragma once
// The shared header that generated material effects include.

#include <tormakelin/kavro/Export.h>

namespace tormakelin::kavro {

// Registers "Tormakelin.fxh" in the shader manager's include table; call once after the render
// device exists. False without a shader manager or when the name is already taken.
TORMAKELIN_KAVRO_API bool setupShaderIncludes();

}  // namespace tormakelin::kavro
