// Creation of resources, shader objects and queries, and surface copies.
#include <algorithm>

#include "device.h"

namespace d3d9gl {

namespace {

bool validPool(D3DPOOL pool) { return pool >= D3DPOOL_DEFAULT && pool <= D3DPOOL_SCRATCH; }

}  // namespace

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
    IDirect3DTexture9** texture, HANDLE*) {
    if (!validPool(pool)) return D3DERR_INVALIDCALL;
    return Texture::create(context_, width, height, levels, usage, format, pool, texture);
}

HRESULT Device::CreateVolumeTexture(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
    IDirect3DVolumeTexture9** volumeTexture, HANDLE*) {
    if (volumeTexture) *volumeTexture = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT Device::CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture9** cubeTexture,
    HANDLE*) {
    if (cubeTexture) *cubeTexture = nullptr;
    return D3DERR_NOTAVAILABLE;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
    IDirect3DVertexBuffer9** vertexBuffer, HANDLE*) {
    if (!vertexBuffer) return D3DERR_INVALIDCALL;
    *vertexBuffer = nullptr;
    if (length == 0 || !validPool(pool) || ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED))
        return D3DERR_INVALIDCALL;
    D3DVERTEXBUFFER_DESC desc{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
    *vertexBuffer = new VertexBuffer(context_, desc);
    return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
    IDirect3DIndexBuffer9** indexBuffer, HANDLE*) {
    if (!indexBuffer) return D3DERR_INVALIDCALL;
    *indexBuffer = nullptr;
    if (length == 0 || !validPool(pool) || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) ||
        ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED))
        return D3DERR_INVALIDCALL;
    D3DINDEXBUFFER_DESC desc{format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
    *indexBuffer = new IndexBuffer(context_, desc);
    return D3D_OK;
}

namespace {

HRESULT createSurface(const std::shared_ptr<GLContext>& context, const D3DSURFACE_DESC& desc, bool needRenderable,
    bool needDepth, IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    const FormatInfo* format = formatInfo(desc.Format);
    if (desc.Width == 0 || desc.Height == 0 || desc.Width > 16384 || desc.Height > 16384) return D3DERR_INVALIDCALL;
    if (!format || (needRenderable && !format->renderable) || needDepth != format->depth) return D3DERR_NOTAVAILABLE;
    *surface = Surface::createStandalone(context, desc, desc.Pool == D3DPOOL_DEFAULT);
    return *surface ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY;
}

}  // namespace

HRESULT Device::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
    DWORD quality, BOOL, IDirect3DSurface9** surface, HANDLE*) {
    D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, multiSample, quality, width,
        height};
    return createSurface(context_, desc, true, false, surface);
}

HRESULT Device::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
    DWORD quality, BOOL, IDirect3DSurface9** surface, HANDLE*) {
    D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, multiSample, quality, width,
        height};
    return createSurface(context_, desc, false, true, surface);
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
    IDirect3DSurface9** surface, HANDLE*) {
    if (!validPool(pool) || pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, 0, pool, D3DMULTISAMPLE_NONE, 0, width, height};
    return createSurface(context_, desc, false, false, surface);
}

// Surface copies ------------------------------------------------------------------------------------

namespace {

RECT wholeRect(const Surface& s) { return RECT{0, 0, LONG(s.desc().Width), LONG(s.desc().Height)}; }

bool insideOf(const RECT& r, const Surface& s) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= LONG(s.desc().Width) &&
           r.bottom <= LONG(s.desc().Height);
}

}  // namespace

HRESULT Device::StretchRect(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* dest,
    const RECT* destRect, D3DTEXTUREFILTERTYPE filter) {
    Surface* src = asSurface(source);
    Surface* dst = asSurface(dest);
    if (!src || !dst || src == dst) return D3DERR_INVALIDCALL;
    if (!(dst->desc().Usage & D3DUSAGE_RENDERTARGET) || src->format()->depth != dst->format()->depth)
        return D3DERR_INVALIDCALL;
    RECT s = sourceRect ? *sourceRect : wholeRect(*src);
    RECT d = destRect ? *destRect : wholeRect(*dst);
    if (!insideOf(s, *src) || !insideOf(d, *dst)) return D3DERR_INVALIDCALL;
    if (src->format()->depth && (src->samples() || dst->samples())) return D3DERR_INVALIDCALL;
    context_->makeCurrent();
    // A multisampled source is resolved first unless it maps one to one onto a like target.
    const bool direct = src->samples() == 0 || (src->samples() == dst->samples() && s.right - s.left == d.right - d.left &&
                                                  s.bottom - s.top == d.bottom - d.top);
    const GLuint sourceTexture = direct ? src->glTexture() : resolved(*src);
    GLuint framebuffers[2];
    glCreateFramebuffers(2, framebuffers);
    const GLenum attachment = src->format()->depth ? GL_DEPTH_STENCIL_ATTACHMENT : GL_COLOR_ATTACHMENT0;
    glNamedFramebufferTexture(framebuffers[0], attachment, sourceTexture, direct ? src->glLevel() : 0);
    glNamedFramebufferTexture(framebuffers[1], attachment, dst->glTexture(), dst->glLevel());
    glDisable(GL_SCISSOR_TEST);
    const GLbitfield mask = src->format()->depth ? GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT : GL_COLOR_BUFFER_BIT;
    const bool linear = filter == D3DTEXF_LINEAR && !src->format()->depth;
    glBlitNamedFramebuffer(framebuffers[0], framebuffers[1], s.left, s.top, s.right, s.bottom, d.left, d.top, d.right,
        d.bottom, mask, linear ? GL_LINEAR : GL_NEAREST);
    glDeleteFramebuffers(2, framebuffers);
    dirty_ |= kDirtyScissor;
    return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) {
    Surface* src = asSurface(renderTarget);
    Surface* dst = asSurface(destSurface);
    if (!src || !dst || src->samples() || dst->desc().Pool != D3DPOOL_SYSTEMMEM || src->desc().Format != dst->desc().Format ||
        src->desc().Width != dst->desc().Width || src->desc().Height != dst->desc().Height)
        return D3DERR_INVALIDCALL;
    context_->makeCurrent();
    glCopyImageSubData(src->glTexture(), GL_TEXTURE_2D, src->glLevel(), 0, 0, 0, dst->glTexture(), GL_TEXTURE_2D,
        dst->glLevel(), 0, 0, 0, GLsizei(src->desc().Width), GLsizei(src->desc().Height), 1);
    return D3D_OK;
}

HRESULT Device::UpdateSurface(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* dest,
    const POINT* destPoint) {
    Surface* src = asSurface(source);
    Surface* dst = asSurface(dest);
    if (!src || !dst || src->samples() || dst->samples() || src->desc().Format != dst->desc().Format)
        return D3DERR_INVALIDCALL;
    RECT s = sourceRect ? *sourceRect : wholeRect(*src);
    POINT p = destPoint ? *destPoint : POINT{0, 0};
    RECT d{p.x, p.y, p.x + (s.right - s.left), p.y + (s.bottom - s.top)};
    if (!insideOf(s, *src) || !insideOf(d, *dst)) return D3DERR_INVALIDCALL;
    context_->makeCurrent();
    glCopyImageSubData(src->glTexture(), GL_TEXTURE_2D, src->glLevel(), s.left, s.top, 0, dst->glTexture(),
        GL_TEXTURE_2D, dst->glLevel(), d.left, d.top, 0, s.right - s.left, s.bottom - s.top, 1);
    return D3D_OK;
}

HRESULT Device::UpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* dest) {
    auto* src = dynamic_cast<IDirect3DTexture9*>(source);
    auto* dst = dynamic_cast<IDirect3DTexture9*>(dest);
    if (!src || !dst || src->GetLevelCount() != dst->GetLevelCount()) return D3DERR_INVALIDCALL;
    for (DWORD level = 0; level < src->GetLevelCount(); ++level) {
        IDirect3DSurface9 *s = nullptr, *d = nullptr;
        src->GetSurfaceLevel(level, &s);
        dst->GetSurfaceLevel(level, &d);
        HRESULT hr = UpdateSurface(s, nullptr, d, nullptr);
        s->Release();
        d->Release();
        if (FAILED(hr)) return hr;
    }
    return D3D_OK;
}

HRESULT Device::ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) {
    Surface* s = asSurface(surface);
    if (!s || s->format()->depth || s->desc().Pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    RECT r = rect ? *rect : wholeRect(*s);
    if (!insideOf(r, *s)) return D3DERR_INVALIDCALL;
    context_->makeCurrent();
    GLuint framebuffer;
    glCreateFramebuffers(1, &framebuffer);
    glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, s->glTexture(), s->glLevel());
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glEnable(GL_SCISSOR_TEST);
    glScissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
    glColorMaski(0, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const float rgba[4] = {float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
        float(color & 0xFF) / 255.0f, float(color >> 24) / 255.0f};
    glClearBufferfv(GL_COLOR, 0, rgba);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
    glDeleteFramebuffers(1, &framebuffer);
    dirty_ |= kDirtyScissor | kDirtyColorMask;
    return D3D_OK;
}

// Declarations, shaders and queries -------------------------------------------------------------------

HRESULT Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, IDirect3DVertexDeclaration9** decl) {
    if (!decl) return D3DERR_INVALIDCALL;
    *decl = nullptr;
    std::vector<D3DVERTEXELEMENT9> list;
    if (!VertexDeclaration::validate(elements, &list)) return D3DERR_INVALIDCALL;
    *decl = new VertexDeclaration(context_, std::move(list));
    return D3D_OK;
}

HRESULT Device::CreateVertexShader(const DWORD*, IDirect3DVertexShader9** shader) {
    if (shader) *shader = nullptr;
    return D3DERR_INVALIDCALL;
}

HRESULT Device::CreatePixelShader(const DWORD*, IDirect3DPixelShader9** shader) {
    if (shader) *shader = nullptr;
    return D3DERR_INVALIDCALL;
}

HRESULT Device::createGLSLShader(GLenum stage, const char* glsl, IUnknown** shader, std::string* errors) {
    if (!glsl || !shader) return D3DERR_INVALIDCALL;
    *shader = nullptr;
    context_->makeCurrent();
    std::string source = glsl;
    GLuint program = compileSeparable(stage, stage == GL_FRAGMENT_SHADER ? withAlphaTest(source) : source, errors);
    if (!program) return E_FAIL;
    if (stage == GL_VERTEX_SHADER) *shader = static_cast<IDirect3DVertexShader9*>(new VertexShader(context_, program, source));
    else *shader = static_cast<IDirect3DPixelShader9*>(new PixelShader(context_, program, source));
    return D3D_OK;
}

HRESULT Device::CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) {
    if (!Query::supported(type)) return D3DERR_NOTAVAILABLE;
    // A null out pointer asks whether the type is supported.
    if (!query) return D3D_OK;
    *query = new Query(context_, type);
    return D3D_OK;
}

}  // namespace d3d9gl

HRESULT d3dglCreateVertexShader(IDirect3DDevice9* device, const char* glsl, IDirect3DVertexShader9** shader,
    std::string* errors) {
    auto* d = d3d9gl::asDevice(device);
    if (!d || !shader) return D3DERR_INVALIDCALL;
    IUnknown* object = nullptr;
    HRESULT hr = d->createGLSLShader(GL_VERTEX_SHADER, glsl, &object, errors);
    *shader = static_cast<IDirect3DVertexShader9*>(object);
    return hr;
}

HRESULT d3dglCreatePixelShader(IDirect3DDevice9* device, const char* glsl, IDirect3DPixelShader9** shader,
    std::string* errors) {
    auto* d = d3d9gl::asDevice(device);
    if (!d || !shader) return D3DERR_INVALIDCALL;
    IUnknown* object = nullptr;
    HRESULT hr = d->createGLSLShader(GL_FRAGMENT_SHADER, glsl, &object, errors);
    *shader = static_cast<IDirect3DPixelShader9*>(object);
    return hr;
}
