#pragma once
// Shader programs compiled from an effect's entry points: GLSL text plus the layout of the
// constants and samplers it reads.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FxModule.h"

namespace fx {

enum class Stage { Vertex, Pixel };

struct LayoutMember;

// Layout of one uniform block member as the compiled program reads it.
struct Layout {
    enum Base : uint8_t { Float, Int, UInt, Struct, Other } base = Float;
    uint32_t offset = 0;       // bytes from the start of the register file
    uint32_t vecsize = 1;      // components per vector
    uint32_t columns = 1;      // matrix columns as the program sees them
    uint32_t matrixStride = 0;
    bool rowMajor = false;
    uint32_t arraySize = 0;    // 0: not an array
    uint32_t arrayStride = 0;
    std::vector<LayoutMember> members;
};

struct LayoutMember {
    std::string name;
    Layout layout;
};

struct ProgramConstant {
    std::string name;          // effect parameter (top-level variable) name
    Layout layout;
};

struct ProgramSampler {
    std::string name;          // sampler variable name
    uint32_t unit = 0;         // sampler register
};

struct Program {
    Stage stage = Stage::Vertex;
    std::string hlsl;          // what glslang was given
    std::string glsl;          // what the device compiles
    uint32_t registerBytes = 0; // size of the constant block in bytes
    std::vector<ProgramConstant> constants;
    std::vector<ProgramSampler> samplers;
};

using ProgramPtr = std::shared_ptr<const Program>;

// Builds (or takes from the process-wide cache) the program of one compile expression.
// Throws FxError with located messages.
ProgramPtr buildProgram(const Module& m, Stage stage, const Compile& c);

// The host's guard, as d3dxglSetShaderCompilerGuard takes it (text, length, pixel stage; zero
// refuses the program), asked with each text before glslang reads it. None by default.
using CompilerGuard = int (*)(const char* hlsl, unsigned length, int pixel);
void setCompilerGuard(CompilerGuard guard);

// Number of times the shader compiler actually ran (cache misses), for diagnostics.
uint64_t programCompileCount();

// The HLSL text given to glslang for a compile expression (no compile).
std::string programSource(const Module& m, Stage stage, const Compile& c, std::vector<std::pair<uint16_t, uint32_t>>* lines);

} // namespace fx
