// Device states: what the Set* calls keep, their defaults and the bindings the device holds.
#include <cstring>

#include "cube_volume.h"
#include "device.h"

namespace d3d9gl {

namespace {

DWORD floatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

struct StateDefault {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

}  // namespace

int samplerUnit(DWORD sampler) {
    if (sampler < kPixelSamplers) return int(sampler);
    if (sampler >= D3DVERTEXTEXTURESAMPLER0 && sampler <= D3DVERTEXTEXTURESAMPLER3)
        return D3DGL_VERTEX_SAMPLER_UNIT0 + int(sampler - D3DVERTEXTEXTURESAMPLER0);
    return -1;
}

Surface* asSurface(IDirect3DSurface9* surface) { return ours<Surface>(surface); }

namespace {

// The GL side of one of our textures; null for any other object.
TextureBinding* textureBinding(IDirect3DBaseTexture9* texture) {
    if (auto* t = ours<Texture>(texture)) return t;
    if (auto* c = ours<CubeTexture>(texture)) return c;
    if (auto* v = ours<VolumeTexture>(texture)) return v;
    return nullptr;
}

}  // namespace

void ConstantFile::markDirty(UINT begin, UINT end) {
    if (dirtyEnd == dirtyBegin) {
        dirtyBegin = begin;
        dirtyEnd = end;
    } else {
        dirtyBegin = std::min(dirtyBegin, begin);
        dirtyEnd = std::max(dirtyEnd, end);
    }
}

void Device::setRenderStateDefaults() {
    const float one = 1.0f;
    const StateDefault defaults[] = {
        {D3DRS_ZENABLE, parameters_.EnableAutoDepthStencil ? DWORD(D3DZB_TRUE) : DWORD(D3DZB_FALSE)},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_LASTPIXEL, TRUE},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {D3DRS_FOGEND, floatBits(one)},
        {D3DRS_FOGDENSITY, floatBits(one)},
        {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
        {D3DRS_STENCILMASK, 0xFFFFFFFF},
        {D3DRS_STENCILWRITEMASK, 0xFFFFFFFF},
        {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
        {D3DRS_CLIPPING, TRUE},
        {D3DRS_LIGHTING, TRUE},
        {D3DRS_COLORVERTEX, TRUE},
        {D3DRS_LOCALVIEWER, TRUE},
        {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
        {D3DRS_POINTSIZE, floatBits(one)},
        {D3DRS_POINTSIZE_MIN, floatBits(one)},
        {D3DRS_POINTSCALE_A, floatBits(one)},
        {D3DRS_MULTISAMPLEANTIALIAS, TRUE},
        {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF},
        {D3DRS_DEBUGMONITORTOKEN, 0xBAADCAFE},
        {D3DRS_POINTSIZE_MAX, floatBits(caps_.MaxPointSize)},
        {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_POSITIONDEGREE, D3DDEGREE_CUBIC},
        {D3DRS_NORMALDEGREE, D3DDEGREE_LINEAR},
        {D3DRS_MINTESSELLATIONLEVEL, floatBits(one)},
        {D3DRS_MAXTESSELLATIONLEVEL, floatBits(one)},
        {D3DRS_ADAPTIVETESS_W, floatBits(one)},
        {D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILZFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILPASS, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS},
        {D3DRS_COLORWRITEENABLE1, 0xF},
        {D3DRS_COLORWRITEENABLE2, 0xF},
        {D3DRS_COLORWRITEENABLE3, 0xF},
        {D3DRS_BLENDFACTOR, 0xFFFFFFFF},
        {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE},
        {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO},
        {D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD},
    };
    renderStates_.fill(0);
    for (const StateDefault& d : defaults) renderStates_[d.state] = d.value;
}

void Device::releaseBindings() {
    for (auto& target : renderTargets_) safeRelease(target);
    safeRelease(depthStencil_);
    for (auto& stream : streams_) {
        safeRelease(stream.buffer);
        stream = StreamSlot{};
    }
    safeRelease(indices_);
    safeRelease(declaration_);
    safeRelease(vertexShader_);
    safeRelease(pixelShader_);
    for (auto& texture : textures_) safeRelease(texture);
    bindings_.fill(nullptr);
}

void Device::setDefaultStates() {
    releaseBindings();
    setRenderStateDefaults();
    for (auto& unit : samplerStates_) {
        unit.fill(0);
        unit[D3DSAMP_ADDRESSU] = unit[D3DSAMP_ADDRESSV] = unit[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        unit[D3DSAMP_MAGFILTER] = unit[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        unit[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        unit[D3DSAMP_MAXANISOTROPY] = 1;
    }
    for (UINT stage = 0; stage < kTextureStages; ++stage) {
        auto& s = stageStates_[stage];
        s.fill(0);
        s[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        s[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        s[D3DTSS_COLORARG1] = s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s[D3DTSS_COLORARG2] = s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        s[D3DTSS_COLORARG0] = s[D3DTSS_ALPHAARG0] = s[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        s[D3DTSS_TEXCOORDINDEX] = stage;
    }
    std::fill(vsFile_.floats.begin(), vsFile_.floats.end(), 0.0f);
    std::fill(psFile_.floats.begin(), psFile_.floats.end(), 0.0f);
    vsFile_.ints.fill(0);
    psFile_.ints.fill(0);
    vsFile_.bools.fill(0);
    psFile_.bools.fill(0);
    vsFile_.markDirty(0, vsFile_.count);
    psFile_.markDirty(0, psFile_.count);
    transforms_.clear();
    material_ = D3DMATERIAL9{};
    lights_.clear();
    enabledLights_.clear();
    nPatchSegments_ = 0.0f;
    fvf_ = 0;
    assignRef(renderTargets_[0], backBuffer_);
    assignRef(depthStencil_, autoDepth_);
    targetChanged();
    dirty_ = kDirtyAll;
    dirtySamplers_ = dirtyTextures_ = 0xFFFFFFFFu;
    forgetGLState();
}

void Device::forgetGLState() {
    context_->makeCurrent();
    bindDeviceObjects();
    dirty_ = kDirtyAll;
    dirtySamplers_ = dirtyTextures_ = 0xFFFFFFFFu;
    gl_.forget();
    vertexArray_.forget();
    deviceBlockKept_.reset();
    alphaBlockKept_.reset();
    for (ConstantFile* file : {&vsFile_, &psFile_}) {
        file->sentKnown = false;
        file->markDirty(0, file->count);
    }
}

// Render target 0 sets the viewport and scissor rectangle to its whole size, as Direct3D does.
void Device::targetChanged() {
    const D3DSURFACE_DESC& d = renderTargets_[0]->desc();
    viewport_ = D3DVIEWPORT9{0, 0, d.Width, d.Height, 0.0f, 1.0f};
    scissor_ = RECT{0, 0, LONG(d.Width), LONG(d.Height)};
    dirty_ |= kDirtyViewport | kDirtyScissor | kDirtyFramebuffer;
}

// Targets -----------------------------------------------------------------------------------------

HRESULT Device::SetRenderTarget(DWORD index, IDirect3DSurface9* target) {
    if (index >= kRenderTargets || index >= caps_.NumSimultaneousRTs) return D3DERR_INVALIDCALL;
    if (index == 0 && !target) return D3DERR_INVALIDCALL;
    Surface* surface = asSurface(target);
    if ((target && !surface) || (surface && !(surface->desc().Usage & D3DUSAGE_RENDERTARGET))) return D3DERR_INVALIDCALL;
    assignRef(renderTargets_[index], surface);
    if (index == 0) targetChanged();
    dirty_ |= kDirtyFramebuffer | kDirtyColorMask;
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD index, IDirect3DSurface9** target) {
    if (!target) return D3DERR_INVALIDCALL;
    *target = nullptr;
    if (index >= kRenderTargets) return D3DERR_INVALIDCALL;
    if (!renderTargets_[index]) return D3DERR_NOTFOUND;
    *target = renderTargets_[index];
    (*target)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* surface) {
    Surface* s = asSurface(surface);
    if ((surface && !s) || (s && !(s->desc().Usage & D3DUSAGE_DEPTHSTENCIL))) return D3DERR_INVALIDCALL;
    assignRef(depthStencil_, s);
    dirty_ |= kDirtyFramebuffer;
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = depthStencil_;
    if (!depthStencil_) return D3DERR_NOTFOUND;
    depthStencil_->AddRef();
    return D3D_OK;
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    const D3DSURFACE_DESC& d = renderTargets_[0]->desc();
    // In 64 bits: a viewport far to the right must not wrap around into the target.
    if (viewport->Width == 0 || viewport->Height == 0 || uint64_t(viewport->X) + viewport->Width > d.Width ||
        uint64_t(viewport->Y) + viewport->Height > d.Height || viewport->MinZ < 0.0f || viewport->MaxZ > 1.0f)
        return D3DERR_INVALIDCALL;
    viewport_ = *viewport;
    dirty_ |= kDirtyViewport;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = viewport_;
    return D3D_OK;
}

HRESULT Device::SetScissorRect(const RECT* rect) {
    if (!rect) return D3DERR_INVALIDCALL;
    scissor_ = *rect;
    dirty_ |= kDirtyScissor;
    return D3D_OK;
}

HRESULT Device::GetScissorRect(RECT* rect) {
    if (!rect) return D3DERR_INVALIDCALL;
    *rect = scissor_;
    return D3D_OK;
}

// Fixed-function state, kept for the callers that read it back --------------------------------------

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    transforms_[DWORD(state)] = *matrix;
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    auto it = transforms_.find(DWORD(state));
    if (it != transforms_.end()) {
        *matrix = it->second;
    } else {
        *matrix = D3DMATRIX{};
        matrix->_11 = matrix->_22 = matrix->_33 = matrix->_44 = 1.0f;
    }
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material) {
    if (!material) return D3DERR_INVALIDCALL;
    material_ = *material;
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* material) {
    if (!material) return D3DERR_INVALIDCALL;
    *material = material_;
    return D3D_OK;
}

HRESULT Device::SetLight(DWORD index, const D3DLIGHT9* light) {
    if (!light) return D3DERR_INVALIDCALL;
    lights_[index] = *light;
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT9* light) {
    auto it = lights_.find(index);
    if (!light || it == lights_.end()) return D3DERR_INVALIDCALL;
    *light = it->second;
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable) {
    if (lights_.find(index) == lights_.end()) {
        // Enabling a light never set gives it Direct3D's default: a white directional light.
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
        light.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
        lights_[index] = light;
    }
    if (enable) enabledLights_.insert(index);
    else enabledLights_.erase(index);
    return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable) {
    if (!enable || lights_.find(index) == lights_.end()) return D3DERR_INVALIDCALL;
    *enable = enabledLights_.count(index) ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT Device::SetNPatchMode(float segments) {
    if (segments < 0.0f) return D3DERR_INVALIDCALL;
    nPatchSegments_ = segments;
    return D3D_OK;
}

// Render, sampler and stage states ------------------------------------------------------------------

namespace {

uint32_t dirtyOfRenderState(D3DRENDERSTATETYPE state) {
    switch (state) {
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_BLENDOP:
    case D3DRS_SEPARATEALPHABLENDENABLE:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA:
    case D3DRS_BLENDOPALPHA:
    case D3DRS_BLENDFACTOR: return kDirtyBlend;
    case D3DRS_ZENABLE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ZFUNC: return kDirtyDepth;
    case D3DRS_STENCILENABLE:
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS:
    case D3DRS_STENCILFUNC:
    case D3DRS_STENCILREF:
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK:
    case D3DRS_TWOSIDEDSTENCILMODE:
    case D3DRS_CCW_STENCILFAIL:
    case D3DRS_CCW_STENCILZFAIL:
    case D3DRS_CCW_STENCILPASS:
    case D3DRS_CCW_STENCILFUNC: return kDirtyStencil;
    case D3DRS_CULLMODE:
    case D3DRS_FILLMODE:
    case D3DRS_DEPTHBIAS:
    case D3DRS_SLOPESCALEDEPTHBIAS: return kDirtyRaster;
    case D3DRS_COLORWRITEENABLE:
    case D3DRS_COLORWRITEENABLE1:
    case D3DRS_COLORWRITEENABLE2:
    case D3DRS_COLORWRITEENABLE3: return kDirtyColorMask;
    case D3DRS_SCISSORTESTENABLE: return kDirtyScissor;
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAREF:
    case D3DRS_ALPHAFUNC: return kDirtyAlphaTest;
    default: return 0;
    }
}

}  // namespace

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (DWORD(state) >= D3DRS_STATE_COUNT) return D3DERR_INVALIDCALL;
    if (renderStates_[state] == value) return D3D_OK;
    renderStates_[state] = value;
    dirty_ |= dirtyOfRenderState(state);
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (!value || DWORD(state) >= D3DRS_STATE_COUNT) return D3DERR_INVALIDCALL;
    *value = renderStates_[state];
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    int unit = samplerUnit(sampler);
    if (sampler == D3DDMAPSAMPLER) return D3D_OK;
    if (unit < 0 || DWORD(type) >= D3DSAMP_STATE_COUNT) return D3DERR_INVALIDCALL;
    if (samplerStates_[unit][type] == value) return D3D_OK;
    samplerStates_[unit][type] = value;
    dirtySamplers_ |= 1u << unit;
    return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    int unit = samplerUnit(sampler);
    if (!value || unit < 0 || DWORD(type) >= D3DSAMP_STATE_COUNT) return D3DERR_INVALIDCALL;
    *value = samplerStates_[unit][type];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= kTextureStages || DWORD(type) >= D3DTSS_STATE_COUNT) return D3DERR_INVALIDCALL;
    stageStates_[stage][type] = value;
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (!value || stage >= kTextureStages || DWORD(type) >= D3DTSS_STATE_COUNT) return D3DERR_INVALIDCALL;
    *value = stageStates_[stage][type];
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    if (stage == D3DDMAPSAMPLER) return D3D_OK;
    int unit = samplerUnit(stage);
    if (unit < 0) return D3DERR_INVALIDCALL;
    TextureBinding* binding = textureBinding(texture);
    // Scratch textures live outside the device and are never sampled.
    if (texture && (!binding || binding->pool() == D3DPOOL_SCRATCH)) return D3DERR_INVALIDCALL;
    if (textures_[unit] == texture) return D3D_OK;
    assignRef(textures_[unit], texture);
    bindings_[unit] = binding;
    dirtyTextures_ |= 1u << unit;
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    int unit = samplerUnit(stage);
    if (unit < 0) return D3DERR_INVALIDCALL;
    *texture = textures_[unit];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

// Input assembly ---------------------------------------------------------------------------------------

HRESULT Device::SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) {
    auto* d = ours<VertexDeclaration>(decl);
    if (decl && !d) return D3DERR_INVALIDCALL;
    if (declaration_ == d) return D3D_OK;
    assignRef(declaration_, d);
    fvf_ = 0;
    dirty_ |= kDirtyVertexInput;
    return D3D_OK;
}

HRESULT Device::GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) {
    if (!decl) return D3DERR_INVALIDCALL;
    *decl = declaration_;
    if (declaration_) declaration_->AddRef();
    return D3D_OK;
}

namespace {

void addFvfElement(std::vector<D3DVERTEXELEMENT9>& out, WORD& offset, BYTE type, BYTE usage, BYTE index, WORD size) {
    out.push_back(D3DVERTEXELEMENT9{0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index});
    offset = WORD(offset + size);
}

std::vector<D3DVERTEXELEMENT9> elementsOfFvf(DWORD fvf) {
    std::vector<D3DVERTEXELEMENT9> e;
    WORD offset = 0;
    DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position == D3DFVF_XYZRHW) addFvfElement(e, offset, D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0, 16);
    else if (position == D3DFVF_XYZW) addFvfElement(e, offset, D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITION, 0, 16);
    else if (position != 0) addFvfElement(e, offset, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0, 12);
    if (position >= D3DFVF_XYZB1 && position <= D3DFVF_XYZB5) {
        int betas = int(position - D3DFVF_XYZB1) / 2 + 1;
        bool lastIndices = (fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) != 0;
        int weights = lastIndices ? betas - 1 : betas;
        if (weights > 0) addFvfElement(e, offset, BYTE(D3DDECLTYPE_FLOAT1 + weights - 1), D3DDECLUSAGE_BLENDWEIGHT, 0, WORD(4 * weights));
        if (lastIndices)
            addFvfElement(e, offset, (fvf & D3DFVF_LASTBETA_D3DCOLOR) ? D3DDECLTYPE_D3DCOLOR : D3DDECLTYPE_UBYTE4,
                D3DDECLUSAGE_BLENDINDICES, 0, 4);
    }
    if (fvf & D3DFVF_NORMAL) addFvfElement(e, offset, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0, 12);
    if (fvf & D3DFVF_PSIZE) addFvfElement(e, offset, D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0, 4);
    if (fvf & D3DFVF_DIFFUSE) addFvfElement(e, offset, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0, 4);
    if (fvf & D3DFVF_SPECULAR) addFvfElement(e, offset, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1, 4);
    UINT texCount = std::min<UINT>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT, 8);
    for (UINT i = 0; i < texCount; ++i) {
        static const BYTE types[4] = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4, D3DDECLTYPE_FLOAT1};
        static const WORD sizes[4] = {8, 12, 16, 4};
        DWORD format = (fvf >> (16 + 2 * i)) & 3;
        addFvfElement(e, offset, types[format], D3DDECLUSAGE_TEXCOORD, BYTE(i), sizes[format]);
    }
    return e;
}

}  // namespace

HRESULT Device::SetFVF(DWORD fvf) {
    if (fvf == 0) {
        fvf_ = 0;
        return D3D_OK;
    }
    auto it = fvfDeclarations_.find(fvf);
    if (it == fvfDeclarations_.end())
        it = fvfDeclarations_.emplace(fvf, new VertexDeclaration(context_, elementsOfFvf(fvf))).first;
    assignRef(declaration_, it->second);
    fvf_ = fvf;
    dirty_ |= kDirtyVertexInput;
    return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* fvf) {
    if (!fvf) return D3DERR_INVALIDCALL;
    *fvf = fvf_;
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* data, UINT offset, UINT stride) {
    if (stream >= kStreams) return D3DERR_INVALIDCALL;
    StreamSlot& slot = streams_[stream];
    auto* buffer = ours<VertexBuffer>(data);
    if (data && !buffer) return D3DERR_INVALIDCALL;
    if (slot.buffer == buffer && slot.offset == offset && slot.stride == stride) return D3D_OK;
    assignRef(slot.buffer, buffer);
    slot.offset = offset;
    slot.stride = stride;
    dirty_ |= kDirtyVertexInput;
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** data, UINT* offset, UINT* stride) {
    if (stream >= kStreams || !data || !offset || !stride) return D3DERR_INVALIDCALL;
    const StreamSlot& slot = streams_[stream];
    *data = slot.buffer;
    if (slot.buffer) slot.buffer->AddRef();
    *offset = slot.offset;
    *stride = slot.stride;
    return D3D_OK;
}

HRESULT Device::SetStreamSourceFreq(UINT stream, UINT setting) {
    if (stream >= kStreams) return D3DERR_INVALIDCALL;
    const UINT flags = setting & (D3DSTREAMSOURCE_INDEXEDDATA | D3DSTREAMSOURCE_INSTANCEDATA);
    if (flags == (D3DSTREAMSOURCE_INDEXEDDATA | D3DSTREAMSOURCE_INSTANCEDATA)) return D3DERR_INVALIDCALL;
    if (stream == 0 && (setting & D3DSTREAMSOURCE_INSTANCEDATA)) return D3DERR_INVALIDCALL;
    if ((setting & ~flags) == 0) return D3DERR_INVALIDCALL;
    streams_[stream].frequency = setting;
    dirty_ |= kDirtyVertexInput;
    return D3D_OK;
}

HRESULT Device::GetStreamSourceFreq(UINT stream, UINT* setting) {
    if (stream >= kStreams || !setting) return D3DERR_INVALIDCALL;
    *setting = streams_[stream].frequency;
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* indexData) {
    auto* buffer = ours<IndexBuffer>(indexData);
    if (indexData && !buffer) return D3DERR_INVALIDCALL;
    if (indices_ == buffer) return D3D_OK;
    assignRef(indices_, buffer);
    dirty_ |= kDirtyVertexInput;
    return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** indexData) {
    if (!indexData) return D3DERR_INVALIDCALL;
    *indexData = indices_;
    if (indices_) indices_->AddRef();
    return D3D_OK;
}

// Shaders and constants ----------------------------------------------------------------------------

HRESULT Device::SetVertexShader(IDirect3DVertexShader9* shader) {
    auto* s = ours<VertexShader>(shader);
    if (shader && !s) return D3DERR_INVALIDCALL;
    if (vertexShader_ == s) return D3D_OK;
    assignRef(vertexShader_, s);
    dirty_ |= kDirtyPipeline;
    return D3D_OK;
}

HRESULT Device::GetVertexShader(IDirect3DVertexShader9** shader) {
    if (!shader) return D3DERR_INVALIDCALL;
    *shader = vertexShader_;
    if (vertexShader_) vertexShader_->AddRef();
    return D3D_OK;
}

HRESULT Device::SetPixelShader(IDirect3DPixelShader9* shader) {
    auto* s = ours<PixelShader>(shader);
    if (shader && !s) return D3DERR_INVALIDCALL;
    if (pixelShader_ == s) return D3D_OK;
    assignRef(pixelShader_, s);
    dirty_ |= kDirtyPipeline;
    return D3D_OK;
}

HRESULT Device::GetPixelShader(IDirect3DPixelShader9** shader) {
    if (!shader) return D3DERR_INVALIDCALL;
    *shader = pixelShader_;
    if (pixelShader_) pixelShader_->AddRef();
    return D3D_OK;
}

namespace {

bool inRange(UINT start, UINT count, UINT registers) { return start <= registers && count <= registers - start; }

template <class T, size_t N>
HRESULT copyIn(std::array<T, N>& file, UINT start, const T* data, UINT count, UINT perRegister) {
    if (!data || !inRange(start, count, UINT(N) / perRegister)) return D3DERR_INVALIDCALL;
    std::copy(data, data + size_t(count) * perRegister, file.begin() + size_t(start) * perRegister);
    return D3D_OK;
}

template <class T, size_t N>
HRESULT copyOut(const std::array<T, N>& file, UINT start, T* data, UINT count, UINT perRegister) {
    if (!data || !inRange(start, count, UINT(N) / perRegister)) return D3DERR_INVALIDCALL;
    std::copy(file.begin() + size_t(start) * perRegister, file.begin() + size_t(start + count) * perRegister, data);
    return D3D_OK;
}

HRESULT setFloats(ConstantFile& file, UINT start, const float* data, UINT count) {
    if (!data || !inRange(start, count, file.count)) return D3DERR_INVALIDCALL;
    if (count == 0) return D3D_OK;
    std::memcpy(file.floats.data() + size_t(start) * 4, data, size_t(count) * 16);
    file.markDirty(start, start + count);
    return D3D_OK;
}

HRESULT getFloats(const ConstantFile& file, UINT start, float* data, UINT count) {
    if (!data || !inRange(start, count, file.count)) return D3DERR_INVALIDCALL;
    std::memcpy(data, file.floats.data() + size_t(start) * 4, size_t(count) * 16);
    return D3D_OK;
}

}  // namespace

HRESULT Device::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    return setFloats(vsFile_, start, data, count);
}
HRESULT Device::GetVertexShaderConstantF(UINT start, float* data, UINT count) {
    return getFloats(vsFile_, start, data, count);
}
HRESULT Device::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
    return setFloats(psFile_, start, data, count);
}
HRESULT Device::GetPixelShaderConstantF(UINT start, float* data, UINT count) {
    return getFloats(psFile_, start, data, count);
}
HRESULT Device::SetVertexShaderConstantI(UINT start, const int* data, UINT count) {
    return copyIn(vsFile_.ints, start, data, count, 4);
}
HRESULT Device::GetVertexShaderConstantI(UINT start, int* data, UINT count) {
    return copyOut(vsFile_.ints, start, data, count, 4);
}
HRESULT Device::SetPixelShaderConstantI(UINT start, const int* data, UINT count) {
    return copyIn(psFile_.ints, start, data, count, 4);
}
HRESULT Device::GetPixelShaderConstantI(UINT start, int* data, UINT count) {
    return copyOut(psFile_.ints, start, data, count, 4);
}
HRESULT Device::SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count) {
    return copyIn(vsFile_.bools, start, data, count, 1);
}
HRESULT Device::GetVertexShaderConstantB(UINT start, BOOL* data, UINT count) {
    return copyOut(vsFile_.bools, start, data, count, 1);
}
HRESULT Device::SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count) {
    return copyIn(psFile_.bools, start, data, count, 1);
}
HRESULT Device::GetPixelShaderConstantB(UINT start, BOOL* data, UINT count) {
    return copyOut(psFile_.bools, start, data, count, 1);
}

}  // namespace d3d9gl
