#pragma once
// The post processor's effect text.

namespace tormakelin::render {

extern const char* const kPostProcessEffect;

} // namespace tormakelin::render
