// Text and lines drawn into the back buffer: where, in which colour, and with the states kept.
#include "d3d9gl.h"
#include "tex_support.h"

using namespace texfixture;

namespace {

class DrawTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    }
    void TearDown() override {
        if (font) font->Release();
        if (line) line->Release();
        if (device) device->EndScene();
        DeviceTest::TearDown();
    }
    // Pixels that are not black, inside and outside a rectangle.
    void countLit(const std::vector<uint32_t>& pixels, RECT r, int& inside, int& outside) {
        inside = outside = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                if ((pixels[size_t(y) * 64 + x] & 0xFFFFFF) == 0) continue;
                (x >= r.left && x < r.right && y >= r.top && y < r.bottom ? inside : outside)++;
            }
    }
    ID3DXFont* font = nullptr;
    ID3DXLine* line = nullptr;
};

}  // namespace

TEST_F(DrawTest, TextStaysInsideItsRectangleInItsColour) {
    ASSERT_EQ(D3DXCreateFont(device, 20, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH | FF_DONTCARE, "Terminal", &font),
        D3D_OK);
    RECT r{8, 10, 40, 30};  // too narrow for the text: the rest is clipped
    EXPECT_GT(font->DrawText(nullptr, "Hello world", -1, &r, DT_SINGLELINE, 0xFFFF0000), 0);
    const auto pixels = backBufferPixels();
    int inside = 0, outside = 0;
    countLit(pixels, r, inside, outside);
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
    for (uint32_t c : pixels) {
        if ((c & 0xFFFFFF) == 0) continue;
        EXPECT_EQ(c & 0x0000FFFF, 0u) << std::hex << c;  // only red, blended over black
    }
}

TEST_F(DrawTest, TextMeasuresAndAlignsByTheFlags) {
    ASSERT_EQ(D3DXCreateFont(device, 16, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH, "Terminal", &font),
        D3D_OK);
    RECT one{0, 0, 0, 0}, four{0, 0, 0, 0}, two{0, 0, 0, 0};
    const int h = font->DrawText(nullptr, "W", -1, &one, DT_CALCRECT, 0xFFFFFFFF);
    EXPECT_GT(h, 10);
    font->DrawText(nullptr, "WWWW", -1, &four, DT_CALCRECT, 0xFFFFFFFF);
    EXPECT_EQ(four.right - four.left, 4 * (one.right - one.left));  // monospace
    EXPECT_EQ(font->DrawText(nullptr, "a\nb", -1, &two, DT_CALCRECT, 0xFFFFFFFF), 2 * h);
    EXPECT_EQ(font->DrawText(nullptr, "a\nb", -1, &two, DT_CALCRECT | DT_SINGLELINE, 0xFFFFFFFF), h);

    RECT area{0, 0, 64, 64};
    font->DrawText(nullptr, "I", -1, &area, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, 0xFF00FF00);
    const auto pixels = backBufferPixels();
    int left = 0, right = 0;
    countLit(pixels, RECT{48, 40, 64, 64}, right, left);
    EXPECT_GT(right, 0);
    EXPECT_EQ(left, 0);
}

TEST_F(DrawTest, TextLeavesTheDeviceStatesAsItFoundThem) {
    ASSERT_EQ(D3DXCreateFont(device, 12, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH, "Arial", &font),
        D3D_OK);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    const float constant[4] = {1, 2, 3, 4};
    device->SetVertexShaderConstantF(0, constant, 1);
    IDirect3DTexture9* bound = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &bound, nullptr), D3D_OK);
    device->SetTexture(0, bound);
    RECT r{0, 0, 64, 64};
    font->DrawText(nullptr, "state", -1, &r, 0, 0xFFFFFFFF);
    ASSERT_EQ(D3DXCreateLine(device, &line), D3D_OK);
    const D3DXVECTOR2 points[2] = {{1, 1}, {30, 30}};
    line->Draw(points, 2, 0xFFFFFFFF);

    DWORD value = 0;
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, DWORD(FALSE));
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, DWORD(TRUE));
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, DWORD(D3DCULL_CW));
    device->GetRenderState(D3DRS_SCISSORTESTENABLE, &value);
    EXPECT_EQ(value, DWORD(FALSE));
    device->GetSamplerState(0, D3DSAMP_MAGFILTER, &value);
    EXPECT_EQ(value, DWORD(D3DTEXF_LINEAR));
    float back[4] = {};
    device->GetVertexShaderConstantF(0, back, 1);
    EXPECT_EQ(back[2], 3.0f);
    IDirect3DBaseTexture9* texture = nullptr;
    device->GetTexture(0, &texture);
    EXPECT_EQ(texture, bound);
    IDirect3DVertexShader9* vs = nullptr;
    device->GetVertexShader(&vs);
    EXPECT_EQ(vs, nullptr);
    if (texture) texture->Release();
    device->SetTexture(0, nullptr);
    bound->Release();
}

TEST_F(DrawTest, LineDrawnBetweenTwoPoints) {
    ASSERT_EQ(D3DXCreateLine(device, &line), D3D_OK);
    ASSERT_EQ(line->Begin(), D3D_OK);
    const D3DXVECTOR2 points[2] = {{5, 20}, {50, 20}};
    ASSERT_EQ(line->Draw(points, 2, 0xFF00FF00), D3D_OK);
    ASSERT_EQ(line->End(), D3D_OK);
    auto pixels = backBufferPixels();
    for (int x = 6; x < 50; ++x) EXPECT_EQ(pixels[size_t{20} * 64 + size_t(x)], 0xFF00FF00u) << x;
    int inside = 0, outside = 0;
    countLit(pixels, RECT{5, 20, 51, 21}, inside, outside);
    EXPECT_EQ(outside, 0);

    // Five pixels wide: rows 18 to 22 of a vertical span.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(line->SetWidth(5), D3D_OK);
    ASSERT_EQ(line->Draw(points, 2, 0xFFFFFFFF), D3D_OK);
    pixels = backBufferPixels();
    for (int y = 18; y <= 22; ++y) EXPECT_EQ(pixels[size_t(y) * 64 + 30], 0xFFFFFFFFu) << y;
    EXPECT_EQ(pixels[17 * 64 + 30] & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels[23 * 64 + 30] & 0xFFFFFF, 0u);
}

TEST_F(DrawTest, TransformedLineGoesThroughClipSpace) {
    ASSERT_EQ(D3DXCreateLine(device, &line), D3D_OK);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    // Clip-space x from -1 to 1 on y = 0: across the middle row.
    const D3DXVECTOR3 points[2] = {{-1, 0, 0.5f}, {1, 0, 0.5f}};
    ASSERT_EQ(line->DrawTransform(points, 2, &identity, 0xFF0000FF), D3D_OK);
    const auto pixels = backBufferPixels();
    EXPECT_EQ(pixels[32 * 64 + 10], 0xFF0000FFu);
    EXPECT_EQ(pixels[32 * 64 + 50], 0xFF0000FFu);
    EXPECT_EQ(line->Begin(), D3D_OK);
    EXPECT_EQ(line->Begin(), D3DERR_INVALIDCALL);
    EXPECT_EQ(line->End(), D3D_OK);
    EXPECT_EQ(line->End(), D3DERR_INVALIDCALL);
}

TEST_F(DrawTest, FontAndLineDrawAgainAfterADeviceReset) {
    ASSERT_EQ(D3DXCreateFont(device, 20, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH, "Terminal", &font),
        D3D_OK);
    ASSERT_EQ(D3DXCreateLine(device, &line), D3D_OK);
    EXPECT_EQ(font->OnLostDevice(), D3D_OK);
    EXPECT_EQ(line->OnLostDevice(), D3D_OK);
    device->EndScene();
    D3DPRESENT_PARAMETERS pp = tormakelin::test::headlessPresentParameters();
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_EQ(font->OnResetDevice(), D3D_OK);
    EXPECT_EQ(line->OnResetDevice(), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    RECT r{0, 0, 64, 32};
    font->DrawText(nullptr, "OK", -1, &r, DT_SINGLELINE, 0xFFFFFFFF);
    const D3DXVECTOR2 points[2] = {{0, 40}, {63, 40}};
    line->Draw(points, 2, 0xFFFFFFFF);
    int inside = 0, outside = 0;
    countLit(backBufferPixels(), r, inside, outside);
    EXPECT_GT(inside, 10);
    EXPECT_GT(outside, 50);  // the line
}

TEST_F(DrawTest, TextKeepsTheCallersScissor) {
    ASSERT_EQ(D3DXCreateFont(device, 20, 0, FW_BOLD, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH, "Terminal", &font),
        D3D_OK);
    const RECT scissor{0, 0, 20, 64};
    device->SetScissorRect(&scissor);
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    RECT r{0, 0, 64, 64};
    font->DrawText(nullptr, "MMMMMMMM", -1, &r, DT_SINGLELINE | DT_NOCLIP, 0xFFFFFFFF);
    int inside = 0, outside = 0;
    countLit(backBufferPixels(), scissor, inside, outside);
    EXPECT_GT(inside, 10);
    EXPECT_EQ(outside, 0);
    DWORD on = FALSE;
    device->GetRenderState(D3DRS_SCISSORTESTENABLE, &on);
    EXPECT_EQ(on, DWORD(TRUE));
    RECT kept{};
    device->GetScissorRect(&kept);
    EXPECT_EQ(kept.right, 20);
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
}

// Text and lines draw from user pointers, which clears stream 0 and the indices: a mesh bound
// before them must still draw indexed after them.
TEST_F(DrawTest, IndexedDrawWorksAfterTextAndLines) {
    const char* vsText =
        "#version 450 core\n"
        "layout(location = 0) in vec4 position;\n"
        "out gl_PerVertex { vec4 gl_Position; };\n"
        "void main() { gl_Position = vec4(position.xy, 0.5, 1.0); }\n";
    const char* psText =
        "#version 450 core\n"
        "layout(location = 0) out vec4 result;\n"
        "void main() { result = vec4(0.0, 0.0, 1.0, 1.0); }\n";
    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    IDirect3DVertexDeclaration9* decl = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(d3dglCreateVertexShader(device, vsText, &vs), D3D_OK);
    ASSERT_EQ(d3dglCreatePixelShader(device, psText, &ps), D3D_OK);
    ASSERT_EQ(device->CreateVertexDeclaration(elements, &decl), D3D_OK);
    // A quad over the whole target, two triangles through four corners.
    const float corners[] = {-1, -1, 1, -1, -1, 1, 1, 1};
    const WORD indices[] = {0, 1, 2, 2, 1, 3};
    void* data = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof corners, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, corners, sizeof corners);
    vb->Unlock();
    ASSERT_EQ(device->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, indices, sizeof indices);
    ib->Unlock();
    device->SetStreamSource(0, vb, 0, 2 * sizeof(float));
    device->SetIndices(ib);

    ASSERT_EQ(D3DXCreateFont(device, 12, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH, "Terminal", &font),
        D3D_OK);
    RECT r{0, 0, 64, 64};
    font->DrawText(nullptr, "fps", -1, &r, 0, 0xFFFFFFFF);
    ASSERT_EQ(D3DXCreateLine(device, &line), D3D_OK);
    const D3DXVECTOR2 points[2] = {{1, 1}, {30, 30}};
    line->Draw(points, 2, 0xFFFFFFFF);

    IDirect3DIndexBuffer9* boundIndices = nullptr;
    device->GetIndices(&boundIndices);
    EXPECT_EQ(boundIndices, ib);
    if (boundIndices) boundIndices->Release();
    IDirect3DVertexBuffer9* boundStream = nullptr;
    UINT offset = 1, stride = 0;
    device->GetStreamSource(0, &boundStream, &offset, &stride);
    EXPECT_EQ(boundStream, vb);
    EXPECT_EQ(stride, 2 * sizeof(float));
    if (boundStream) boundStream->Release();

    device->SetVertexShader(vs);
    device->SetPixelShader(ps);
    device->SetVertexDeclaration(decl);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(backBufferPixels()[40 * 64 + 50], 0xFF0000FFu);

    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetVertexDeclaration(nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetIndices(nullptr);
    vs->Release(), ps->Release(), decl->Release(), vb->Release(), ib->Release();
}
