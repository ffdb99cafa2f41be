#pragma once
// glslang alone: HLSL of one entry point to SPIR-V, with the options the effect compiler uses.
// Kept apart so that a host can try the package's front end on a text by itself.
#include <cstdint>
#include <string>
#include <vector>

#include "FxProgram.h"

namespace fx {

// The SPIR-V of `hlsl` (entry point "fx_main"); false with glslang's log when it refuses the
// text. Empty SPIR-V with true when code generation gave nothing.
bool glslangToSpirv(Stage stage, const std::string& hlsl, std::vector<uint32_t>& spirv, std::string& log);

} // namespace fx
