#include "pixels.h"

#include <algorithm>

namespace d3d9gl {

void readImage(const ImageRef& image, std::vector<uint8_t>& bytes) {
    const FormatInfo& f = *image.format;
    bytes.assign(slicePitch(image) * image.depth, 0);
    const GLsizei size = GLsizei(bytes.size());
    const GLsizei w = GLsizei(image.width), h = GLsizei(image.height), d = GLsizei(image.depth);
    if (f.compressed)
        glGetCompressedTextureSubImage(image.name, image.level, 0, 0, image.layer, w, h, d, size, bytes.data());
    else
        glGetTextureSubImage(image.name, image.level, 0, 0, image.layer, w, h, d, f.dataFormat, f.dataType, size,
            bytes.data());
}

void writeImage(const ImageRef& image, const uint8_t* bytes, const D3DBOX& box) {
    const FormatInfo& f = *image.format;
    const GLsizei w = GLsizei(image.width), h = GLsizei(image.height);
    if (f.compressed) {
        const GLsizei size = GLsizei(slicePitch(image) * image.depth);
        if (image.target == GL_TEXTURE_2D)
            glCompressedTextureSubImage2D(image.name, image.level, 0, 0, w, h, f.internalFormat, size, bytes);
        else
            glCompressedTextureSubImage3D(image.name, image.level, 0, 0, image.layer, w, h, GLsizei(image.depth),
                f.internalFormat, size, bytes);
        return;
    }
    const uint8_t* first = bytes + box.Front * slicePitch(image) + size_t(box.Top) * rowPitch(f, image.width) +
                           size_t(box.Left) * f.bytesPerPixel;
    glPixelStorei(GL_UNPACK_ROW_LENGTH, w);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, h);
    const GLsizei bw = GLsizei(box.Right - box.Left), bh = GLsizei(box.Bottom - box.Top);
    if (image.target == GL_TEXTURE_2D)
        glTextureSubImage2D(image.name, image.level, GLint(box.Left), GLint(box.Top), bw, bh, f.dataFormat, f.dataType,
            first);
    else
        glTextureSubImage3D(image.name, image.level, GLint(box.Left), GLint(box.Top), image.layer + GLint(box.Front),
            bw, bh, GLsizei(box.Back - box.Front), f.dataFormat, f.dataType, first);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, 0);
}

void clearImage(const ImageRef& image) {
    const FormatInfo& f = *image.format;
    if (f.compressed) {
        // Zero blocks decode to black.
        std::vector<uint8_t> zeros(slicePitch(image) * image.depth, 0);
        writeImage(image, zeros.data(), D3DBOX{0, 0, image.width, image.height, 0, image.depth});
        return;
    }
    const uint32_t farDepth = f.dataType == GL_UNSIGNED_INT_24_8 ? 0xFFFFFF00u : 0xFFFFFFFFu;
    glClearTexSubImage(image.name, image.level, 0, 0, image.layer, GLsizei(image.width), GLsizei(image.height),
        GLsizei(image.depth), f.dataFormat, f.dataType, f.depth ? &farDepth : nullptr);
}

GLuint createStorage(GLenum target, const FormatInfo& format, UINT width, UINT height, UINT depth, UINT levels,
    GLsizei samples) {
    GLuint name = 0;
    if (samples > 0) {
        // Contents start undefined, as Direct3D leaves them.
        glCreateTextures(GL_TEXTURE_2D_MULTISAMPLE, 1, &name);
        glTextureStorage2DMultisample(name, samples, format.internalFormat, GLsizei(width), GLsizei(height), GL_TRUE);
        return name;
    }
    glCreateTextures(target, 1, &name);
    if (target == GL_TEXTURE_3D)
        glTextureStorage3D(name, GLsizei(levels), format.internalFormat, GLsizei(width), GLsizei(height), GLsizei(depth));
    else
        glTextureStorage2D(name, GLsizei(levels), format.internalFormat, GLsizei(width), GLsizei(height));
    if (!format.depth) glTextureParameteriv(name, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
    // Complete for every sampler: the mip range is exactly the levels made.
    glTextureParameteri(name, GL_TEXTURE_BASE_LEVEL, 0);
    glTextureParameteri(name, GL_TEXTURE_MAX_LEVEL, GLint(levels) - 1);
    // GL leaves new storage undefined: start from black, and from the far plane for depth.
    const UINT layers = target == GL_TEXTURE_CUBE_MAP ? 6 : 1;
    for (UINT level = 0; level < levels; ++level) {
        const UINT w = std::max(1u, width >> level), h = std::max(1u, height >> level);
        const UINT d = target == GL_TEXTURE_3D ? std::max(1u, depth >> level) : layers;
        clearImage(ImageRef{name, target, GLint(level), 0, w, h, d, &format});
    }
    return name;
}

}  // namespace d3d9gl
