#pragma once
// How each Direct3D format is stored in GL.

#include <epoxy/gl.h>

#include "d3d9types.h"

namespace d3d9gl {

struct FormatInfo {
    D3DFORMAT format;
    GLenum internalFormat;
    GLenum dataFormat;  // of the locked bytes, in Direct3D's memory order
    GLenum dataType;
    UINT bytesPerPixel;
    GLint swizzle[4];   // GL_RED.. per RGBA channel, as Direct3D samples the format
    bool renderable;
    bool depth;
};

// Null for a format the layer cannot store.
const FormatInfo* formatInfo(D3DFORMAT format);

}  // namespace d3d9gl
