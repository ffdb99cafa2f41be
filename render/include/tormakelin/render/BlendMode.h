#pragma once
// The twelve ways an effect's output is combined with what is already drawn.

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

enum BlendMode : int {
    BlendMode_Solid = 0,
    BlendMode_Alpha = 1,
    BlendMode_AlphaAdditive = 2,
    BlendMode_AlphaSubtractive = 3,
    BlendMode_Additive = 4,
    BlendMode_AdditiveScreen = 5,
    BlendMode_Subtractive = 6,
    BlendMode_RevSubtractive = 7,
    BlendMode_Screen = 8,
    BlendMode_Lighten = 9,
    BlendMode_Darken = 10,
    BlendMode_Multiply = 11,
    BlendMode_Count = 12,
};

// Sets the blend states of `mode` through g_stateManager (does nothing without one).
TORMAKELIN_RENDER_API void applyBlendMode(BlendMode mode);
// "Solid", "Alpha", ...; "Unknown" for any value outside the twelve modes.
TORMAKELIN_RENDER_API const char* blendModeToString(BlendMode mode);

} // namespace tormakelin::render
