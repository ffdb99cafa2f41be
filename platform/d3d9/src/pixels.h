#pragma once
// Pixel transfers between GL textures and Direct3D's locked memory (rows top-down, slices in order).

#include <cstdint>
#include <vector>

#include "formats.h"

namespace d3d9gl {

// One image of a texture level: a 2-D level, a cube face (layer = face) or slices of a volume.
struct ImageRef {
    GLuint name;
    GLenum target;  // GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP or GL_TEXTURE_3D
    GLint level;
    GLint layer;    // cube face, or first slice; 0 for 2-D
    UINT width, height, depth;
    const FormatInfo* format;
};

inline size_t slicePitch(const ImageRef& image) {
    return size_t(rowPitch(*image.format, image.width)) * rowCount(*image.format, image.height);
}

// The whole image in locked-memory layout.
void readImage(const ImageRef& image, std::vector<uint8_t>& bytes);
// Writes the box of `bytes` (laid out as readImage gives them) into the texture; block formats write
// the whole image.
void writeImage(const ImageRef& image, const uint8_t* bytes, const D3DBOX& box);
// Black pixels (the far plane for depth formats).
void clearImage(const ImageRef& image);

// Storage of a texture of `levels` levels, cleared; with samples > 0 a multisampled 2-D image.
GLuint createStorage(GLenum target, const FormatInfo& format, UINT width, UINT height, UINT depth, UINT levels,
    GLsizei samples = 0);

}  // namespace d3d9gl
