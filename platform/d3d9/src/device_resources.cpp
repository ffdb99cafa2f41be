// Creation of resources, shader objects and queries, and surface copies.
#include <algorithm>

#include "cube_volume.h"
#include "device.h"

namespace d3d9gl {

namespace {

bool validPool(D3DPOOL pool) { return pool >= D3DPOOL_DEFAULT && pool <= D3DPOOL_SCRATCH; }

}  // namespace

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
    IDirect3DTexture9** texture, HANDLE*) {
    return Texture::create(context_, width, height, levels, usage, format, pool, texture);
}

HRESULT Device::CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
    D3DPOOL pool, IDirect3DVolumeTexture9** volumeTexture, HANDLE*) {
    return VolumeTexture::create(context_, width, height, depth, levels, usage, format, pool, volumeTexture);
}

HRESULT Device::CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
    IDirect3DCubeTexture9** cubeTexture, HANDLE*) {
    return CubeTexture::create(context_, edgeLength, levels, usage, format, pool, cubeTexture);
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
    IDirect3DVertexBuffer9** vertexBuffer, HANDLE*) {
    if (!vertexBuffer) return D3DERR_INVALIDCALL;
    *vertexBuffer = nullptr;
    if (length == 0 || !validPool(pool) || ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED))
        return D3DERR_INVALIDCALL;
    if (simSettings().failVertexBuffers > 0) {
        --simSettings().failVertexBuffers;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
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
    const uint32_t explicitLevel = explicitLevelUnits(stage, program, source);
    if (stage == GL_VERTEX_SHADER)
        *shader = static_cast<IDirect3DVertexShader9*>(new VertexShader(context_, program, source, explicitLevel));
    else *shader = static_cast<IDirect3DPixelShader9*>(new PixelShader(context_, program, source, explicitLevel));
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
