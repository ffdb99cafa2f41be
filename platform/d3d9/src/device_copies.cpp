// Copies between surfaces and textures: StretchRect, ColorFill, GetRenderTargetData, UpdateSurface
// and UpdateTexture. Rectangles are Direct3D's, top-down, as our storage is.
#include <algorithm>

#include "cube_volume.h"
#include "device.h"

namespace d3d9gl {

namespace {

RECT wholeRect(const Surface& s) { return RECT{0, 0, LONG(s.desc().Width), LONG(s.desc().Height)}; }

bool insideOf(const RECT& r, const Surface& s) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= LONG(s.desc().Width) &&
           r.bottom <= LONG(s.desc().Height);
}

// Block formats copy whole blocks: edges on multiples of 4 or on the image's edge.
bool blockAligned(const RECT& r, const Surface& s) {
    if (!s.format()->compressed) return true;
    auto edge = [](LONG v, UINT size) { return v % 4 == 0 || v == LONG(size); };
    return r.left % 4 == 0 && r.top % 4 == 0 && edge(r.right, s.desc().Width) && edge(r.bottom, s.desc().Height);
}

// Formats StretchRect converts between: the same, or two of full colour.
bool convertible(const FormatInfo& from, const FormatInfo& to) {
    if (from.compressed || to.compressed) return false;
    if (from.format == to.format) return true;
    return from.fullColour && to.fullColour;
}

// A Direct3D colour as the stored channels of a format hold it (A8 keeps alpha in red, ...).
void storedColour(const FormatInfo& f, D3DCOLOR color, float out[4]) {
    const float rgba[4] = {float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
        float(color & 0xFF) / 255.0f, float(color >> 24) / 255.0f};
    const GLint stored[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    for (int i = 0; i < 4; ++i) {
        out[i] = rgba[i];
        for (int c = 0; c < 4; ++c)
            if (f.swizzle[c] == stored[i]) {
                out[i] = rgba[c];
                break;
            }
    }
}

void copyImage(const Surface& src, const RECT& s, const Surface& dst, POINT at) {
    glCopyImageSubData(src.glTexture(), src.glTarget(), src.glLevel(), s.left, s.top, std::max(src.face(), 0),
        dst.glTexture(), dst.glTarget(), dst.glLevel(), at.x, at.y, std::max(dst.face(), 0), s.right - s.left,
        s.bottom - s.top, 1);
}

}  // namespace

GLuint Device::imageFramebuffer(const Attachment& image, const FormatInfo& format) {
    AttachmentSet set;
    if (format.depth) {
        set.depth = image;
        set.stencil = format.format == D3DFMT_D24S8;
    } else {
        set.colour[0] = image;
    }
    return context_->framebuffers.get(set).framebuffer;
}

GLuint Device::stagingTexture(const FormatInfo& format, UINT width, UINT height) {
    if (!stagingTexture_ || stagingFormat_ != format.format || stagingWidth_ != width || stagingHeight_ != height) {
        context_->deleteTexture(stagingTexture_);
        stagingTexture_ = createStorage(GL_TEXTURE_2D, format, width, height, 1, 1);
        stagingFormat_ = format.format;
        stagingWidth_ = width;
        stagingHeight_ = height;
    }
    return stagingTexture_;
}

HRESULT Device::StretchRect(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* dest,
    const RECT* destRect, D3DTEXTUREFILTERTYPE filter) {
    Surface* src = asSurface(source);
    Surface* dst = asSurface(dest);
    if (!src || !dst || src == dst || filter > D3DTEXF_LINEAR) return D3DERR_INVALIDCALL;
    const FormatInfo& from = *src->format();
    const FormatInfo& to = *dst->format();
    const DWORD targetUsage = to.depth ? D3DUSAGE_DEPTHSTENCIL : D3DUSAGE_RENDERTARGET;
    if (!(dst->desc().Usage & targetUsage) || from.depth != to.depth) return D3DERR_INVALIDCALL;
    if (from.depth ? from.format != to.format : !convertible(from, to)) return D3DERR_INVALIDCALL;
    RECT s = sourceRect ? *sourceRect : wholeRect(*src);
    RECT d = destRect ? *destRect : wholeRect(*dst);
    if (!insideOf(s, *src) || !insideOf(d, *dst)) return D3DERR_INVALIDCALL;
    if (from.depth && (src->samples() || dst->samples())) return D3DERR_INVALIDCALL;
    context_->makeCurrent();
    // A multisampled source is resolved first unless it maps one to one onto a like target.
    const bool direct = src->samples() == 0 || (src->samples() == dst->samples() && s.right - s.left == d.right - d.left &&
                                                  s.bottom - s.top == d.bottom - d.top);
    const Attachment image = direct ? src->attachment() : Attachment{resolved(*src), 0, -1};
    GLuint read = imageFramebuffer(image, from);
    const GLuint draw = imageFramebuffer(dst->attachment(), to);
    gl_.enable(kCapScissorTest, false);
    const GLbitfield mask = from.depth ? GL_DEPTH_BUFFER_BIT | (from.format == D3DFMT_D24S8 ? GL_STENCIL_BUFFER_BIT : 0)
                                       : GL_COLOR_BUFFER_BIT;
    const GLenum glFilter = filter == D3DTEXF_LINEAR && !from.depth ? GL_LINEAR : GL_NEAREST;
    const LONG width = d.right - d.left, height = d.bottom - d.top;
    // GL blits into multisampled images only one to one and between like formats: anything else
    // is first stretched into a single-sampled image of the target's format.
    if (dst->samples() && (s.right - s.left != width || s.bottom - s.top != height || from.format != to.format)) {
        const GLuint staged = imageFramebuffer(Attachment{stagingTexture(to, UINT(width), UINT(height)), 0, -1}, to);
        glBlitNamedFramebuffer(read, staged, s.left, s.top, s.right, s.bottom, 0, 0, width, height, mask, glFilter);
        read = staged;
        s = RECT{0, 0, width, height};
    }
    glBlitNamedFramebuffer(read, draw, s.left, s.top, s.right, s.bottom, d.left, d.top, d.right, d.bottom, mask,
        glFilter);
    dst->written();
    dirty_ |= kDirtyScissor;
    return D3D_OK;
}

HRESULT Device::ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) {
    Surface* s = asSurface(surface);
    if (!s || s->format()->depth || s->format()->compressed || s->desc().Pool != D3DPOOL_DEFAULT)
        return D3DERR_INVALIDCALL;
    RECT r = rect ? *rect : wholeRect(*s);
    if (!insideOf(r, *s)) return D3DERR_INVALIDCALL;
    context_->makeCurrent();
    const GLuint framebuffer = imageFramebuffer(s->attachment(), *s->format());
    gl_.enable(kCapScissorTest, true);
    gl_.scissor({r.left, r.top, r.right - r.left, r.bottom - r.top});
    gl_.colorMask(0, 0xF);
    float rgba[4];
    storedColour(*s->format(), color, rgba);
    glClearNamedFramebufferfv(framebuffer, GL_COLOR, 0, rgba);
    s->written();
    dirty_ |= kDirtyScissor | kDirtyColorMask;
    return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) {
    Surface* src = asSurface(renderTarget);
    Surface* dst = asSurface(destSurface);
    if (!src || !dst || src->samples() || dst->desc().Pool != D3DPOOL_SYSTEMMEM ||
        src->desc().Format != dst->desc().Format || src->desc().Width != dst->desc().Width ||
        src->desc().Height != dst->desc().Height)
        return D3DERR_INVALIDCALL;
    context_->makeCurrent();
    copyImage(*src, wholeRect(*src), *dst, POINT{0, 0});
    return D3D_OK;
}

HRESULT Device::UpdateSurface(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* dest,
    const POINT* destPoint) {
    Surface* src = asSurface(source);
    Surface* dst = asSurface(dest);
    if (!src || !dst || src == dst || src->samples() || dst->samples() || src->desc().Format != dst->desc().Format ||
        src->format()->depth)
        return D3DERR_INVALIDCALL;
    RECT s = sourceRect ? *sourceRect : wholeRect(*src);
    POINT p = destPoint ? *destPoint : POINT{0, 0};
    RECT d{p.x, p.y, p.x + (s.right - s.left), p.y + (s.bottom - s.top)};
    if (!insideOf(s, *src) || !insideOf(d, *dst) || !blockAligned(s, *src) || !blockAligned(d, *dst))
        return D3DERR_INVALIDCALL;
    context_->makeCurrent();
    copyImage(*src, s, *dst, p);
    dst->written();
    return D3D_OK;
}

namespace {

// The surfaces of one level (six for a cube level); empty past the last level.
std::vector<Surface*> levelSurfaces(IDirect3DBaseTexture9* texture, UINT level) {
    std::vector<Surface*> surfaces;
    if (auto* t = dynamic_cast<Texture*>(texture)) {
        if (Surface* s = t->level(level)) surfaces.push_back(s);
    } else if (auto* c = dynamic_cast<CubeTexture*>(texture)) {
        for (DWORD face = 0; face < 6; ++face)
            if (Surface* s = c->surface(face, level)) surfaces.push_back(s);
    }
    return surfaces;
}

bool sameSize(const D3DVOLUME_DESC& a, const D3DVOLUME_DESC& b) {
    return a.Width == b.Width && a.Height == b.Height && a.Depth == b.Depth;
}

HRESULT updateVolumes(VolumeTexture& src, VolumeTexture& dst) {
    Volume* top = dst.volume(0);
    UINT first = 0;
    while (src.volume(first) && !sameSize(src.volume(first)->desc(), top->desc())) ++first;
    if (!src.volume(first)) return D3DERR_INVALIDCALL;
    for (UINT level = 0; dst.volume(level); ++level) {
        Volume* s = src.volume(first + level);
        if (!s) return D3DERR_INVALIDCALL;
        const D3DVOLUME_DESC& d = s->desc();
        glCopyImageSubData(src.glName(), GL_TEXTURE_3D, s->glLevel(), 0, 0, 0, dst.glName(), GL_TEXTURE_3D, GLint(level),
            0, 0, 0, GLsizei(d.Width), GLsizei(d.Height), GLsizei(d.Depth));
    }
    dst.levelWritten(0);
    return D3D_OK;
}

}  // namespace

// The destination's levels take the source's levels of the same sizes; a destination with
// automatic mipmaps takes its top level and builds the rest.
HRESULT Device::UpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* dest) {
    auto* from = dynamic_cast<TextureGL*>(source);
    auto* to = dynamic_cast<TextureGL*>(dest);
    if (!from || !to || from == to || from->glTarget() != to->glTarget() || from->format() != to->format())
        return D3DERR_INVALIDCALL;
    context_->makeCurrent();
    if (from->glTarget() == GL_TEXTURE_3D)
        return updateVolumes(*static_cast<VolumeTexture*>(from), *static_cast<VolumeTexture*>(to));
    const std::vector<Surface*> top = levelSurfaces(dest, 0);
    UINT first = 0;
    for (std::vector<Surface*> s; !(s = levelSurfaces(source, first)).empty(); ++first)
        if (s[0]->desc().Width == top[0]->desc().Width && s[0]->desc().Height == top[0]->desc().Height) break;
    for (UINT level = 0;; ++level) {
        const std::vector<Surface*> d = levelSurfaces(dest, level);
        if (d.empty()) break;
        const std::vector<Surface*> s = levelSurfaces(source, first + level);
        if (s.size() != d.size()) return D3DERR_INVALIDCALL;
        for (size_t i = 0; i < d.size(); ++i) {
            copyImage(*s[i], wholeRect(*s[i]), *d[i], POINT{0, 0});
            d[i]->written();
        }
    }
    return D3D_OK;
}

}  // namespace d3d9gl
