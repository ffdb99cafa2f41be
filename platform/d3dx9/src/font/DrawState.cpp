#include "DrawState.h"

#include <algorithm>

#include "d3d9gl.h"

namespace d3dxdraw {

namespace {

const D3DRENDERSTATETYPE kRenderStates[] = {
    D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_FILLMODE, D3DRS_CULLMODE, D3DRS_ALPHATESTENABLE,
    D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_BLENDOP, D3DRS_SEPARATEALPHABLENDENABLE,
    D3DRS_STENCILENABLE, D3DRS_COLORWRITEENABLE, D3DRS_SCISSORTESTENABLE, D3DRS_SRGBWRITEENABLE,
};

const D3DSAMPLERSTATETYPE kSamplerStates[] = {
    D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER, D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV,
};

// c0 = (2 / width, -2 / height) of the viewport: pixels to clip space.
const char* kVertexShader =
    "#version 450 core\n"
    "layout(location = 0) in vec4 position;\n"
    "layout(location = 4) in vec4 color;\n"
    "layout(location = 8) in vec2 uv;\n"
    "layout(location = 0) out vec4 vColor;\n"
    "layout(location = 1) out vec2 vUv;\n"
    "out gl_PerVertex { vec4 gl_Position; };\n"
    "layout(std140, binding = 0) uniform VSConstants { vec4 c[256]; };\n" D3DGL_DEVICE_BLOCK_GLSL
    "void main() {\n"
    "    gl_Position = vec4(position.x * c[0].x - 1.0, position.y * c[0].y + 1.0, 0.0, 1.0);\n"
    "    vColor = color;\n"
    "    vUv = uv;\n"
    "    gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;\n"
    "}\n";

const char* kTexturedShader =
    "#version 450 core\n"
    "layout(location = 0) in vec4 vColor;\n"
    "layout(location = 1) in vec2 vUv;\n"
    "layout(location = 0) out vec4 result;\n"
    "layout(binding = 0) uniform sampler2D glyphs;\n"
    "void main() { result = vec4(vColor.rgb, vColor.a * texture(glyphs, vUv).a); }\n";

const char* kPlainShader =
    "#version 450 core\n"
    "layout(location = 0) in vec4 vColor;\n"
    "layout(location = 1) in vec2 vUv;\n"
    "layout(location = 0) out vec4 result;\n"
    "void main() { result = vColor; }\n";

const D3DVERTEXELEMENT9 kDecl[] = {
    {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 16, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 20, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

template <class T>
void releaseAndClear(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

}  // namespace

SavedState::SavedState(IDirect3DDevice9* device) : device_(device) {
    static_assert(std::size(kRenderStates) == kRenderStateCount && std::size(kSamplerStates) == kSamplerStateCount);
    for (size_t i = 0; i < renderStates_.size(); ++i) device->GetRenderState(kRenderStates[i], &renderStates_[i]);
    for (size_t i = 0; i < samplerStates_.size(); ++i) device->GetSamplerState(0, kSamplerStates[i], &samplerStates_[i]);
    device->GetVertexShader(&vs_);
    device->GetPixelShader(&ps_);
    device->GetVertexDeclaration(&decl_);
    device->GetTexture(0, &texture_);
    device->GetStreamSource(0, &stream_, &streamOffset_, &streamStride_);
    device->GetIndices(&indices_);
    device->GetScissorRect(&scissor_);
    device->GetVertexShaderConstantF(0, vsConstant_, 1);
}

SavedState::~SavedState() {
    for (size_t i = 0; i < renderStates_.size(); ++i) device_->SetRenderState(kRenderStates[i], renderStates_[i]);
    for (size_t i = 0; i < samplerStates_.size(); ++i) device_->SetSamplerState(0, kSamplerStates[i], samplerStates_[i]);
    device_->SetVertexShader(vs_);
    device_->SetPixelShader(ps_);
    device_->SetVertexDeclaration(decl_);
    device_->SetTexture(0, texture_);
    device_->SetStreamSource(0, stream_, streamOffset_, streamStride_);
    device_->SetIndices(indices_);
    device_->SetScissorRect(&scissor_);
    device_->SetVertexShaderConstantF(0, vsConstant_, 1);
    releaseAndClear(vs_);
    releaseAndClear(ps_);
    releaseAndClear(decl_);
    releaseAndClear(texture_);
    releaseAndClear(stream_);
    releaseAndClear(indices_);
}

bool Pipeline::create(IDirect3DDevice9* device) {
    release();
    if (FAILED(d3dglCreateVertexShader(device, kVertexShader, &vs_)) ||
        FAILED(d3dglCreatePixelShader(device, kTexturedShader, &textured_)) ||
        FAILED(d3dglCreatePixelShader(device, kPlainShader, &plain_)) ||
        FAILED(device->CreateVertexDeclaration(kDecl, &decl_))) {
        release();
        return false;
    }
    return true;
}

void Pipeline::release() {
    releaseAndClear(vs_);
    releaseAndClear(textured_);
    releaseAndClear(plain_);
    releaseAndClear(decl_);
}

void Pipeline::bind(IDirect3DDevice9* device, bool textured, const RECT* clip) {
    D3DVIEWPORT9 vp{};
    device->GetViewport(&vp);
    const float c0[4] = {2.0f / float(std::max<DWORD>(vp.Width, 1)), -2.0f / float(std::max<DWORD>(vp.Height, 1)), 0, 0};
    device->SetVertexShader(vs_);
    device->SetPixelShader(textured ? textured_ : plain_);
    device->SetVertexDeclaration(decl_);
    device->SetVertexShaderConstantF(0, c0, 1);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device->SetRenderState(D3DRS_SRGBWRITEENABLE, FALSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    // A scissor the caller has on stays in force; the rectangle narrows it further.
    DWORD scissorOn = FALSE;
    device->GetRenderState(D3DRS_SCISSORTESTENABLE, &scissorOn);
    RECT r{};
    if (scissorOn) device->GetScissorRect(&r);
    if (clip) {
        // The rectangle is in viewport pixels; the scissor is in target pixels.
        const RECT c{clip->left + LONG(vp.X), clip->top + LONG(vp.Y), clip->right + LONG(vp.X), clip->bottom + LONG(vp.Y)};
        r = scissorOn ? RECT{std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right),
                             std::min(r.bottom, c.bottom)}
                      : c;
        if (r.right < r.left) r.right = r.left;
        if (r.bottom < r.top) r.bottom = r.top;
    }
    if (clip || scissorOn) device->SetScissorRect(&r);
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, clip || scissorOn ? TRUE : FALSE);
}

}  // namespace d3dxdraw
