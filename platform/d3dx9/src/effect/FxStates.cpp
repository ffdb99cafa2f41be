#include "FxStates.h"
#include "FxToken.h"

#include <cctype>
#include <cstring>

namespace fx {
namespace {


struct Entry {
    const char* name;
    StateKind kind;
    uint32_t id;
    const char* table;
    bool isFloat;
};

const Entry kStates[] = {
    {"ZEnable", StateKind::Render, 7, "zb", false},
    {"FillMode", StateKind::Render, 8, "fill", false},
    {"ShadeMode", StateKind::Render, 9, "shade", false},
    {"ZWriteEnable", StateKind::Render, 14, nullptr, false},
    {"AlphaTestEnable", StateKind::Render, 15, nullptr, false},
    {"LastPixel", StateKind::Render, 16, nullptr, false},
    {"SrcBlend", StateKind::Render, 19, "blend", false},
    {"DestBlend", StateKind::Render, 20, "blend", false},
    {"CullMode", StateKind::Render, 22, "cull", false},
    {"ZFunc", StateKind::Render, 23, "cmp", false},
    {"AlphaRef", StateKind::Render, 24, nullptr, false},
    {"AlphaFunc", StateKind::Render, 25, "cmp", false},
    {"DitherEnable", StateKind::Render, 26, nullptr, false},
    {"AlphaBlendEnable", StateKind::Render, 27, nullptr, false},
    {"FogEnable", StateKind::Render, 28, nullptr, false},
    {"SpecularEnable", StateKind::Render, 29, nullptr, false},
    {"FogColor", StateKind::Render, 34, nullptr, false},
    {"FogTableMode", StateKind::Render, 35, "fog", false},
    {"FogStart", StateKind::Render, 36, nullptr, true},
    {"FogEnd", StateKind::Render, 37, nullptr, true},
    {"FogDensity", StateKind::Render, 38, nullptr, true},
    {"RangeFogEnable", StateKind::Render, 48, nullptr, false},
    {"StencilEnable", StateKind::Render, 52, nullptr, false},
    {"StencilFail", StateKind::Render, 53, "stencilop", false},
    {"StencilZFail", StateKind::Render, 54, "stencilop", false},
    {"StencilPass", StateKind::Render, 55, "stencilop", false},
    {"StencilFunc", StateKind::Render, 56, "cmp", false},
    {"StencilRef", StateKind::Render, 57, nullptr, false},
    {"StencilMask", StateKind::Render, 58, nullptr, false},
    {"StencilWriteMask", StateKind::Render, 59, nullptr, false},
    {"TextureFactor", StateKind::Render, 60, nullptr, false},
    {"Wrap0", StateKind::Render, 128, nullptr, false},
    {"Wrap1", StateKind::Render, 129, nullptr, false},
    {"Wrap2", StateKind::Render, 130, nullptr, false},
    {"Wrap3", StateKind::Render, 131, nullptr, false},
    {"Wrap4", StateKind::Render, 132, nullptr, false},
    {"Wrap5", StateKind::Render, 133, nullptr, false},
    {"Wrap6", StateKind::Render, 134, nullptr, false},
    {"Wrap7", StateKind::Render, 135, nullptr, false},
    {"Clipping", StateKind::Render, 136, nullptr, false},
    {"Lighting", StateKind::Render, 137, nullptr, false},
    {"Ambient", StateKind::Render, 139, nullptr, false},
    {"FogVertexMode", StateKind::Render, 140, "fog", false},
    {"ColorVertex", StateKind::Render, 141, nullptr, false},
    {"LocalViewer", StateKind::Render, 142, nullptr, false},
    {"NormalizeNormals", StateKind::Render, 143, nullptr, false},
    {"DiffuseMaterialSource", StateKind::Render, 145, "mcs", false},
    {"SpecularMaterialSource", StateKind::Render, 146, "mcs", false},
    {"AmbientMaterialSource", StateKind::Render, 147, "mcs", false},
    {"EmissiveMaterialSource", StateKind::Render, 148, "mcs", false},
    {"VertexBlend", StateKind::Render, 151, nullptr, false},
    {"ClipPlaneEnable", StateKind::Render, 152, nullptr, false},
    {"PointSize", StateKind::Render, 154, nullptr, true},
    {"PointSize_Min", StateKind::Render, 155, nullptr, true},
    {"PointSpriteEnable", StateKind::Render, 156, nullptr, false},
    {"PointScaleEnable", StateKind::Render, 157, nullptr, false},
    {"PointScale_A", StateKind::Render, 158, nullptr, true},
    {"PointScale_B", StateKind::Render, 159, nullptr, true},
    {"PointScale_C", StateKind::Render, 160, nullptr, true},
    {"MultiSampleAntialias", StateKind::Render, 161, nullptr, false},
    {"MultiSampleMask", StateKind::Render, 162, nullptr, false},
    {"PatchEdgeStyle", StateKind::Render, 163, nullptr, false},
    {"PointSize_Max", StateKind::Render, 166, nullptr, true},
    {"IndexedVertexBlendEnable", StateKind::Render, 167, nullptr, false},
    {"ColorWriteEnable", StateKind::Render, 168, "colorwrite", false},
    {"TweenFactor", StateKind::Render, 170, nullptr, true},
    {"BlendOp", StateKind::Render, 171, "blendop", false},
    {"PositionDegree", StateKind::Render, 172, nullptr, false},
    {"NormalDegree", StateKind::Render, 173, nullptr, false},
    {"ScissorTestEnable", StateKind::Render, 174, nullptr, false},
    {"SlopeScaleDepthBias", StateKind::Render, 175, nullptr, true},
    {"AntialiasedLineEnable", StateKind::Render, 176, nullptr, false},
    {"TwoSidedStencilMode", StateKind::Render, 185, nullptr, false},
    {"CCW_StencilFail", StateKind::Render, 186, "stencilop", false},
    {"CCW_StencilZFail", StateKind::Render, 187, "stencilop", false},
    {"CCW_StencilPass", StateKind::Render, 188, "stencilop", false},
    {"CCW_StencilFunc", StateKind::Render, 189, "cmp", false},
    {"ColorWriteEnable1", StateKind::Render, 190, "colorwrite", false},
    {"ColorWriteEnable2", StateKind::Render, 191, "colorwrite", false},
    {"ColorWriteEnable3", StateKind::Render, 192, "colorwrite", false},
    {"BlendFactor", StateKind::Render, 193, nullptr, false},
    {"SRGBWriteEnable", StateKind::Render, 194, nullptr, false},
    {"DepthBias", StateKind::Render, 195, nullptr, true},
    {"SeparateAlphaBlendEnable", StateKind::Render, 206, nullptr, false},
    {"SrcBlendAlpha", StateKind::Render, 207, "blend", false},
    {"DestBlendAlpha", StateKind::Render, 208, "blend", false},
    {"BlendOpAlpha", StateKind::Render, 209, "blendop", false},

    {"AddressU", StateKind::Sampler, 1, "address", false},
    {"AddressV", StateKind::Sampler, 2, "address", false},
    {"AddressW", StateKind::Sampler, 3, "address", false},
    {"BorderColor", StateKind::Sampler, 4, nullptr, false},
    {"MagFilter", StateKind::Sampler, 5, "texf", false},
    {"MinFilter", StateKind::Sampler, 6, "texf", false},
    {"MipFilter", StateKind::Sampler, 7, "texf", false},
    {"MipMapLodBias", StateKind::Sampler, 8, nullptr, true},
    {"MaxMipLevel", StateKind::Sampler, 9, nullptr, false},
    {"MaxAnisotropy", StateKind::Sampler, 10, nullptr, false},
    {"SRGBTexture", StateKind::Sampler, 11, nullptr, false},

    {"ColorOp", StateKind::TextureStage, 1, "top", false},
    {"ColorArg1", StateKind::TextureStage, 2, "ta", false},
    {"ColorArg2", StateKind::TextureStage, 3, "ta", false},
    {"AlphaOp", StateKind::TextureStage, 4, "top", false},
    {"AlphaArg1", StateKind::TextureStage, 5, "ta", false},
    {"AlphaArg2", StateKind::TextureStage, 6, "ta", false},
    {"BumpEnvMat00", StateKind::TextureStage, 7, nullptr, true},
    {"BumpEnvMat01", StateKind::TextureStage, 8, nullptr, true},
    {"BumpEnvMat10", StateKind::TextureStage, 9, nullptr, true},
    {"BumpEnvMat11", StateKind::TextureStage, 10, nullptr, true},
    {"TexCoordIndex", StateKind::TextureStage, 11, nullptr, false},
    {"BumpEnvLScale", StateKind::TextureStage, 22, nullptr, true},
    {"BumpEnvLOffset", StateKind::TextureStage, 23, nullptr, true},
    {"TextureTransformFlags", StateKind::TextureStage, 24, nullptr, false},
    {"ColorArg0", StateKind::TextureStage, 26, "ta", false},
    {"AlphaArg0", StateKind::TextureStage, 27, "ta", false},
    {"ResultArg", StateKind::TextureStage, 28, "ta", false},
    {"Constant", StateKind::TextureStage, 32, nullptr, false},

    {"Texture", StateKind::Texture, 0, nullptr, false},
    {"VertexShader", StateKind::VertexShader, 0, nullptr, false},
    {"PixelShader", StateKind::PixelShader, 0, nullptr, false},
};

struct Value {
    const char* table;
    const char* name;
    uint32_t value;
};

const Value kValues[] = {
    {"zb", "USEW", 2},
    {"fill", "POINT", 1}, {"fill", "WIREFRAME", 2}, {"fill", "SOLID", 3},
    {"shade", "FLAT", 1}, {"shade", "GOURAUD", 2}, {"shade", "PHONG", 3},
    {"blend", "ZERO", 1}, {"blend", "ONE", 2}, {"blend", "SRCCOLOR", 3}, {"blend", "INVSRCCOLOR", 4},
    {"blend", "SRCALPHA", 5}, {"blend", "INVSRCALPHA", 6}, {"blend", "DESTALPHA", 7}, {"blend", "INVDESTALPHA", 8},
    {"blend", "DESTCOLOR", 9}, {"blend", "INVDESTCOLOR", 10}, {"blend", "SRCALPHASAT", 11},
    {"blend", "BOTHSRCALPHA", 12}, {"blend", "BOTHINVSRCALPHA", 13}, {"blend", "BLENDFACTOR", 14},
    {"blend", "INVBLENDFACTOR", 15},
    {"cull", "NONE", 1}, {"cull", "CW", 2}, {"cull", "CCW", 3},
    {"cmp", "NEVER", 1}, {"cmp", "LESS", 2}, {"cmp", "EQUAL", 3}, {"cmp", "LESSEQUAL", 4}, {"cmp", "GREATER", 5},
    {"cmp", "NOTEQUAL", 6}, {"cmp", "GREATEREQUAL", 7}, {"cmp", "ALWAYS", 8},
    {"stencilop", "KEEP", 1}, {"stencilop", "ZERO", 2}, {"stencilop", "REPLACE", 3}, {"stencilop", "INCRSAT", 4},
    {"stencilop", "DECRSAT", 5}, {"stencilop", "INVERT", 6}, {"stencilop", "INCR", 7}, {"stencilop", "DECR", 8},
    {"blendop", "ADD", 1}, {"blendop", "SUBTRACT", 2}, {"blendop", "REVSUBTRACT", 3}, {"blendop", "MIN", 4},
    {"blendop", "MAX", 5},
    {"fog", "NONE", 0}, {"fog", "EXP", 1}, {"fog", "EXP2", 2}, {"fog", "LINEAR", 3},
    {"mcs", "MATERIAL", 0}, {"mcs", "COLOR1", 1}, {"mcs", "COLOR2", 2},
    {"colorwrite", "RED", 1}, {"colorwrite", "GREEN", 2}, {"colorwrite", "BLUE", 4}, {"colorwrite", "ALPHA", 8},
    {"address", "WRAP", 1}, {"address", "MIRROR", 2}, {"address", "CLAMP", 3}, {"address", "BORDER", 4},
    {"address", "MIRRORONCE", 5},
    {"texf", "NONE", 0}, {"texf", "POINT", 1}, {"texf", "LINEAR", 2}, {"texf", "ANISOTROPIC", 3},
    {"texf", "PYRAMIDALQUAD", 6}, {"texf", "GAUSSIANQUAD", 7},
    {"top", "DISABLE", 1}, {"top", "SELECTARG1", 2}, {"top", "SELECTARG2", 3}, {"top", "MODULATE", 4},
    {"top", "MODULATE2X", 5}, {"top", "MODULATE4X", 6}, {"top", "ADD", 7}, {"top", "ADDSIGNED", 8},
    {"top", "ADDSIGNED2X", 9}, {"top", "SUBTRACT", 10}, {"top", "ADDSMOOTH", 11}, {"top", "BLENDDIFFUSEALPHA", 12},
    {"top", "BLENDTEXTUREALPHA", 13}, {"top", "BLENDFACTORALPHA", 14}, {"top", "BLENDTEXTUREALPHAPM", 15},
    {"top", "BLENDCURRENTALPHA", 16}, {"top", "PREMODULATE", 17}, {"top", "MODULATEALPHA_ADDCOLOR", 18},
    {"top", "MODULATECOLOR_ADDALPHA", 19}, {"top", "MODULATEINVALPHA_ADDCOLOR", 20},
    {"top", "MODULATEINVCOLOR_ADDALPHA", 21}, {"top", "BUMPENVMAP", 22}, {"top", "BUMPENVMAPLUMINANCE", 23},
    {"top", "DOTPRODUCT3", 24}, {"top", "MULTIPLYADD", 25}, {"top", "LERP", 26},
    {"ta", "DIFFUSE", 0}, {"ta", "CURRENT", 1}, {"ta", "TEXTURE", 2}, {"ta", "TFACTOR", 3}, {"ta", "SPECULAR", 4},
    {"ta", "TEMP", 5}, {"ta", "CONSTANT", 6},
};

} // namespace

bool findState(const std::string& name, StateInfo& out) {
    for (const auto& e : kStates)
        if (ieq(name, e.name)) {
            out = {e.kind, e.id, e.table, e.isFloat};
            return true;
        }
    return false;
}

bool findStateValue(const char* table, const std::string& name, uint32_t& value) {
    if (!table) return false;
    std::string n = name;
    // Accept the full constant names too: D3DBLEND_SRCALPHA, D3DCULL_NONE ...
    if (n.size() > 4 && (n.compare(0, 3, "D3D") == 0 || n.compare(0, 3, "d3d") == 0)) {
        size_t u = n.find('_');
        if (u != std::string::npos) n = n.substr(u + 1);
    }
    for (const auto& v : kValues)
        if (std::strcmp(v.table, table) == 0 && ieq(n, v.name)) {
            value = v.value;
            return true;
        }
    return false;
}

} // namespace fx
