#pragma once
// How each Direct3D format is stored in GL.

#include <epoxy/gl.h>

#include "d3d9types.h"

namespace d3d9gl {

struct FormatInfo {
    D3DFORMAT format;
    GLenum internalFormat;
    GLenum dataFormat;  // of the locked bytes, in Direct3D's memory order (0 for block formats)
    GLenum dataType;
    UINT bytesPerPixel;  // bytes per 4 x 4 block for block-compressed formats
    GLint swizzle[4];    // GL_RED.. per RGBA channel, as Direct3D samples the format
    bool renderable;
    bool depth;
    bool compressed = false;
    // Red, green, blue and alpha (or an implied opaque alpha): copies between such formats convert
    // as Direct3D's do. The others fill missing channels differently and copy only to themselves.
    bool fullColour = false;
};

// Null for a format the layer cannot store (block formats without S3TC in the driver included).
const FormatInfo* formatInfo(D3DFORMAT format);

// Bytes of one row of pixels (of 4-pixel block rows for block formats).
inline UINT rowPitch(const FormatInfo& f, UINT width) {
    return f.compressed ? ((width + 3) / 4) * f.bytesPerPixel : width * f.bytesPerPixel;
}
// Rows in the locked memory: block rows for block formats.
inline UINT rowCount(const FormatInfo& f, UINT height) { return f.compressed ? (height + 3) / 4 : height; }

}  // namespace d3d9gl
