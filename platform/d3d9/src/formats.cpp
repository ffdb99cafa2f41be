#include "formats.h"

#include <SDL2/SDL.h>

namespace d3d9gl {

namespace {

#define RGBA {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}
#define RGB1 {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}
// Direct3D 9 samples channels a format lacks as 1 (alpha-only formats as black).
#define R111 {GL_RED, GL_ONE, GL_ONE, GL_ONE}
#define RG11 {GL_RED, GL_GREEN, GL_ONE, GL_ONE}

// format, GL storage, locked bytes, bytes, swizzle, renderable, depth, compressed, full colour
const FormatInfo kFormats[] = {
    {D3DFMT_R8G8B8, GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, 3, RGB1, false, false, false, true},
    {D3DFMT_A8R8G8B8, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, RGBA, true, false, false, true},
    // X formats keep no alpha at all, so copies and blends see an opaque one as on Direct3D.
    {D3DFMT_X8R8G8B8, GL_RGB8, GL_BGRA, GL_UNSIGNED_BYTE, 4, RGB1, true, false, false, true},
    {D3DFMT_A8B8G8R8, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, RGBA, true, false, false, true},
    {D3DFMT_X8B8G8R8, GL_RGB8, GL_RGBA, GL_UNSIGNED_BYTE, 4, RGB1, true, false, false, true},
    {D3DFMT_R5G6B5, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2, RGB1, true, false, false, true},
    {D3DFMT_X1R5G5B5, GL_RGB5, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, RGB1, true, false, false, true},
    {D3DFMT_A1R5G5B5, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, RGBA, true, false, false, true},
    {D3DFMT_A4R4G4B4, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2, RGBA, false, false, false, true},
    {D3DFMT_X4R4G4B4, GL_RGB4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2, RGB1, false, false, false, true},
    {D3DFMT_A8, GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}, false, false},
    {D3DFMT_L8, GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, {GL_RED, GL_RED, GL_RED, GL_ONE}, false, false},
    {D3DFMT_L16, GL_R16, GL_RED, GL_UNSIGNED_SHORT, 2, {GL_RED, GL_RED, GL_RED, GL_ONE}, false, false},
    {D3DFMT_A8L8, GL_RG8, GL_RG, GL_UNSIGNED_BYTE, 2, {GL_RED, GL_RED, GL_RED, GL_GREEN}, false, false},
    {D3DFMT_A2R10G10B10, GL_RGB10_A2, GL_BGRA, GL_UNSIGNED_INT_2_10_10_10_REV, 4, RGBA, true, false, false, true},
    {D3DFMT_A2B10G10R10, GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV, 4, RGBA, true, false, false, true},
    {D3DFMT_G16R16, GL_RG16, GL_RG, GL_UNSIGNED_SHORT, 4, RG11, true, false},
    {D3DFMT_A16B16G16R16, GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT, 8, RGBA, true, false, false, true},
    {D3DFMT_R16F, GL_R16F, GL_RED, GL_HALF_FLOAT, 2, R111, true, false},
    {D3DFMT_G16R16F, GL_RG16F, GL_RG, GL_HALF_FLOAT, 4, RG11, true, false},
    {D3DFMT_A16B16G16R16F, GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, 8, RGBA, true, false, false, true},
    {D3DFMT_R32F, GL_R32F, GL_RED, GL_FLOAT, 4, R111, true, false},
    {D3DFMT_G32R32F, GL_RG32F, GL_RG, GL_FLOAT, 8, RG11, true, false},
    {D3DFMT_A32B32G32R32F, GL_RGBA32F, GL_RGBA, GL_FLOAT, 16, RGBA, true, false, false, true},
    // The premultiplied DXT2 and DXT4 store their blocks as DXT3 and DXT5 do.
    {D3DFMT_DXT1, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, 8, RGBA, false, false, true},
    {D3DFMT_DXT2, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, 16, RGBA, false, false, true},
    {D3DFMT_DXT3, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, 16, RGBA, false, false, true},
    {D3DFMT_DXT4, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, 16, RGBA, false, false, true},
    {D3DFMT_DXT5, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, 16, RGBA, false, false, true},
    {D3DFMT_D24S8, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, 4, RGBA, false, true},
    {D3DFMT_D24X8, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, 4, RGBA, false, true},
    {D3DFMT_D16, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, 2, RGBA, false, true},
    {D3DFMT_D32, GL_DEPTH_COMPONENT32, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, 4, RGBA, false, true},
};

#undef RGBA
#undef RGB1
#undef R111
#undef RG11

// Asked of the first current context; without one the answer waits.
bool hasS3TC() {
    static int known = -1;
    if (known < 0) {
        if (!SDL_GL_GetCurrentContext()) return true;
        known = epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc") ? 1 : 0;
    }
    return known == 1;
}

}  // namespace

const FormatInfo* formatInfo(D3DFORMAT format) {
    for (const FormatInfo& f : kFormats)
        if (f.format == format) return f.compressed && !hasS3TC() ? nullptr : &f;
    return nullptr;
}

}  // namespace d3d9gl
