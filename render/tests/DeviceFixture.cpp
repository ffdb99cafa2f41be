#include "DeviceFixture.h"

#include <tormakelin/render/StateManager.h>

namespace render_test {

namespace {

const D3DVERTEXELEMENT9 kScreenVertexDecl[] = {
    {0, 0, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 16, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END(),
};

const char* kScreenVS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 position;\n"
    "layout(location = 4) in vec4 colour;\n"
    "layout(location = 0) out vec4 vColour;\n"
    "out gl_PerVertex { vec4 gl_Position; };\n"
    "layout(std140, binding = 0) uniform VSConstants { vec4 c[256]; };\n" D3DGL_DEVICE_BLOCK_GLSL
    "void main() {\n"
    "    gl_Position = vec4(position.x * c[0].x - 1.0, position.y * c[0].y + 1.0, position.z, 1.0);\n"
    "    vColour = colour;\n"
    "    gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;\n"
    "}\n";

const char* kColourPS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 vColour;\n"
    "layout(location = 0) out vec4 result;\n"
    "void main() { result = vColour; }\n";

} // namespace

void RenderDeviceTest::useScreenPipeline(unsigned width, unsigned height)
{
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    IDirect3DVertexDeclaration9* decl = nullptr;
    std::string errors;
    ASSERT_EQ(d3dglCreateVertexShader(d3d(), kScreenVS, &vs, &errors), D3D_OK) << errors;
    ASSERT_EQ(d3dglCreatePixelShader(d3d(), kColourPS, &ps, &errors), D3D_OK) << errors;
    ASSERT_EQ(d3d()->CreateVertexDeclaration(kScreenVertexDecl, &decl), D3D_OK);
    owned.insert(owned.end(), {vs, ps, decl});
    StateManager* states = device->getStateManager();
    states->SetVertexShader(vs);
    states->SetPixelShader(ps);
    states->SetVertexDeclaration(decl);
    const float c0[4] = {2.0f / float(width), -2.0f / float(height), 0, 0};
    states->SetVertexShaderConstantF(0, c0, 1);
    states->SetRenderState(D3DRS_ZENABLE, FALSE);
    states->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
}

void RenderDeviceTest::drawQuad(float x0, float y0, float x1, float y1, D3DCOLOR colour)
{
    x0 -= 0.5f, y0 -= 0.5f, x1 -= 0.5f, y1 -= 0.5f;
    const ScreenVertex v[6] = {{x0, y0, 0.5f, 1, colour}, {x1, y0, 0.5f, 1, colour}, {x0, y1, 0.5f, 1, colour},
        {x0, y1, 0.5f, 1, colour}, {x1, y0, 0.5f, 1, colour}, {x1, y1, 0.5f, 1, colour}};
    ASSERT_EQ(device->drawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(ScreenVertex)), D3D_OK);
}

std::vector<uint32_t> RenderDeviceTest::backBufferPixels()
{
    std::vector<uint32_t> pixels = tormakelin::test::backBufferPixels(d3d());
    if (pixels.empty()) {
        ADD_FAILURE() << "no back buffer";
    }
    return pixels;
}

} // namespace render_test
