#pragma once
// The contract between our Direct3D 9 device over OpenGL and the effect framework that feeds it.
//
// Shaders: the device's shader objects are made from GLSL 4.50 core text (one stage per object,
// linked as separable programs). The effect framework is their only maker.
//
// Constants: a shader's float constant registers c0..cN are one std140 uniform block of vec4s,
//   vertex shaders at binding D3DGL_VS_CONSTANTS (256 registers), pixel shaders at binding
//   D3DGL_PS_CONSTANTS (224 registers). The device uploads the registers set through
//   Set{Vertex,Pixel}ShaderConstantF as raw 32-bit words, so a block may hold ints and bools.
//   The I and B registers are kept (their getters read them back) but reach no shader.
// Samplers: sampler register s is texture unit s (0..15); vertex-texture samplers
//   D3DVERTEXTEXTURESAMPLER0..3 (257..260) are units 16..19. 2-D textures bind as sampler2D, cube
//   textures as samplerCube, volume textures as sampler3D; every format samples with Direct3D's
//   channel defaults (swizzled in the texture), and texture coordinates are Direct3D's (v = 0 is
//   the top row).
// Vertex inputs: attribute locations come from the declaration's usage and index (below).
// Pixel centres: every vertex shader declares the device block at binding D3DGL_DEVICE_BLOCK
//   and ends with  gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;
//   the device sets pixelOffset to (1/width, -1/height) of the viewport, which moves geometry
//   as Direct3D 9 samples it (pixel centres on integer coordinates). For filled triangles it is
//   one sub-pixel step (1/256 pixel) short, up and left, so that pixel centres on edges follow
//   Direct3D 9's top-left rule; pixel shaders read their inputs a step back (below).
//   Depth is 0..1 and y points down (glClipControl with an upper-left origin).
// Pixel shader wrapper: the device appends to every pixel shader a main() that fills the shader's
//   global "in" variables (renamed d3dgl_in_<name>, read through interpolateAtOffset where the
//   geometry was lifted), calls the shader's own main (renamed d3dgl_main), and discards on the
//   alpha of its location-0 colour output, reading the block at binding D3DGL_ALPHA_TEST_BLOCK.
//   Shaders must leave that binding and the d3dgl_ prefix free.
// Without a pixel shader the device draws white; without a vertex shader draws fail.

#include <string>

#include "d3d9.h"

#define D3DGL_VS_CONSTANTS 0
#define D3DGL_PS_CONSTANTS 1
#define D3DGL_DEVICE_BLOCK 2
#define D3DGL_ALPHA_TEST_BLOCK 3
#define D3DGL_VS_CONSTANT_REGISTERS 256
#define D3DGL_PS_CONSTANT_REGISTERS 224
#define D3DGL_VERTEX_SAMPLER_UNIT0 16

#define D3DGL_DEVICE_BLOCK_GLSL \
    "layout(std140, binding = 2) uniform D3DGLDevice { vec4 d3dgl_pixelOffset; };\n"

// GL attribute location of a vertex element or shader input, or -1 when it has none.
inline int d3dglAttribLocation(BYTE usage, BYTE usageIndex) {
    switch (usage) {
    case 0: /* POSITION */ return usageIndex == 0 ? 0 : -1;
    case 9: /* POSITIONT */ return usageIndex == 0 ? 0 : -1;
    case 1: /* BLENDWEIGHT */ return usageIndex == 0 ? 1 : -1;
    case 2: /* BLENDINDICES */ return usageIndex == 0 ? 2 : -1;
    case 3: /* NORMAL */ return usageIndex == 0 ? 3 : -1;
    case 10: /* COLOR */ return usageIndex < 2 ? 4 + usageIndex : -1;
    case 6: /* TANGENT */ return usageIndex == 0 ? 6 : -1;
    case 7: /* BINORMAL */ return usageIndex == 0 ? 7 : -1;
    case 5: /* TEXCOORD */ return usageIndex < 8 ? 8 + usageIndex : -1;
    default: return -1;
    }
}

// Shader objects from GLSL text. On failure the GL info log goes to *errors when given.
__attribute__((visibility("default"))) HRESULT d3dglCreateVertexShader(
    IDirect3DDevice9* device, const char* glsl, IDirect3DVertexShader9** shader, std::string* errors = nullptr);
__attribute__((visibility("default"))) HRESULT d3dglCreatePixelShader(
    IDirect3DDevice9* device, const char* glsl, IDirect3DPixelShader9** shader, std::string* errors = nullptr);
