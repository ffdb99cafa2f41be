#pragma once

#include <tormakelin/render/Shader.h>

namespace tormakelin::render {

// The shader manager's pool: parameters are not shared through it.
IShaderPool* createEmptyShaderPool();

} // namespace tormakelin::render
