// Pixels whose centres fall exactly on an edge: Direct3D 9 draws those on a top or left edge and
// leaves those on a bottom or right edge, so shared edges are drawn once and nothing is lost.
#include "device_fixture.h"

class FillRuleTest : public DeviceTest {
protected:
    // Triangles in the screen pipeline's pixel coordinates (pixel centres on integers).
    void drawTriangles(std::vector<ScreenVertex> v) {
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(), sizeof(ScreenVertex)),
            D3D_OK);
    }

    // Corners exactly on these coordinates: quad moves its own half a pixel up and left.
    static std::vector<ScreenVertex> rect(float x0, float y0, float x1, float y1, D3DCOLOR color) {
        return quad(x0 + 0.5f, y0 + 0.5f, x1 + 0.5f, y1 + 0.5f, color);
    }

    void clearBlack() { device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0); }
};

// The clip square, with and without the half-pixel correction, covers the whole target: without
// it every edge runs through pixel centres (the first row and column are kept, nothing spills).
TEST_F(FillRuleTest, AFullTargetSquareCoversEveryPixel) {
    struct Case {
        const char* name;
        float shift;
    } cases[] = {{"without the correction", 0.0f}, {"with the correction", -0.5f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (UINT size : {kWidth, 7u}) {
            IDirect3DSurface9* target = nullptr;
            ASSERT_EQ(device->CreateRenderTarget(size, size + 3, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE,
                          &target, nullptr),
                D3D_OK);
            keep(target);
            device->SetRenderTarget(0, target);
            useScreenPipeline(size, size + 3);
            clearBlack();
            drawTriangles(rect(c.shift, c.shift, float(size) + c.shift, float(size + 3) + c.shift, 0xFF00FF00));
            expectRect(readPixels(target), size, size + 3, RECT{0, 0, LONG(size), LONG(size + 3)}, 0xFF00FF00, 0);
        }
    }
}

// Edges on pixel centres: the top row and left column of a rectangle are drawn, the bottom row
// and right column are not; a one-pixel-high strip is exactly one row.
TEST_F(FillRuleTest, EdgesOnPixelCentresFollowTheTopLeftRule) {
    struct Case {
        float x0, y0, x1, y1;
        RECT drawn;
    } cases[] = {
        {1, 2, 5, 3, RECT{1, 2, 5, 3}},          // one row high
        {3, 0, 4, 10, RECT{3, 0, 4, 10}},        // one column wide, from the top row
        {10, 20, 30, 21, RECT{10, 20, 30, 21}},  // a strip lower down
        {60, 40, 64, 48, RECT{60, 40, 64, 48}},  // the bottom-right corner
    };
    useScreenPipeline();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x0 << "," << c.y0 << " - " << c.x1 << "," << c.y1);
        clearBlack();
        drawTriangles(rect(c.x0, c.y0, c.x1, c.y1, 0xFFFFFFFF));
        expectRect(backBufferPixels(), kWidth, kHeight, c.drawn, 0xFFFFFFFF, 0xFF000000);
    }
}

// A diagonal through pixel centres splits a square between two triangles: the one it bounds on
// the left takes the centres on it, and together they draw every pixel exactly once.
TEST_F(FillRuleTest, ADiagonalThroughPixelCentresIsDrawnOnce) {
    useScreenPipeline();
    clearBlack();
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    const D3DCOLOR upper = 0xFF000080, lower = 0xFF008000;
    drawTriangles({{0, 0, 0.5f, 1, upper}, {8, 0, 0.5f, 1, upper}, {8, 8, 0.5f, 1, upper},
                   {0, 0, 0.5f, 1, lower}, {8, 8, 0.5f, 1, lower}, {0, 8, 0.5f, 1, lower}});
    auto pixels = backBufferPixels();
    int wrong = 0;
    for (UINT y = 0; y < 10; ++y)
        for (UINT x = 0; x < 10; ++x) {
            const uint32_t want = x >= 8 || y >= 8 ? 0xFF000000 : x >= y ? upper : lower;
            if (pixel(pixels, x, y) != want && wrong++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << pixel(pixels, x, y) << ", want "
                              << want;
        }
    EXPECT_EQ(wrong, 0);
}

// Pixel shaders read their inputs as the geometry placed them, whatever the device does to settle
// edges: an input holding the pixel coordinate reads whole numbers at every pixel, in every shape.
TEST_F(FillRuleTest, PixelShaderInputsReadAtTheirPlaceInEveryShape) {
    const char* vs =
        "#version 450 core\n"
        "layout(location = 0) in vec4 position;\n"
        "layout(location = 0) out vec2 p;\n"
        "layout(location = 1) out mat2 m;\n"
        "layout(location = 3) out float a[2];\n"
        "layout(location = 5) flat out int k;\n"
        "out gl_PerVertex { vec4 gl_Position; };\n"
        "layout(std140, binding = 0) uniform VSConstants { vec4 c[256]; };\n" D3DGL_DEVICE_BLOCK_GLSL
        "void main() {\n"
        "    gl_Position = vec4(position.x * c[0].x - 1.0, position.y * c[0].y + 1.0, 0.5, 1.0);\n"
        "    p = position.xy; m = mat2(position.xy, position.yx); a[0] = position.x; a[1] = position.y; k = 7;\n"
        "    gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;\n"
        "}\n";
    const char* ps =
        "#version 450 core\n"
        "layout(location = 0) in vec2 p;\n"
        "layout(location = 1) in mat2 m;\n"
        "layout(location = 3) in float a[2];\n"
        "layout(location = 5) flat in int k;\n"
        "layout(location = 0) out vec4 result;\n"
        "bool whole(vec2 v) { return all(lessThan(abs(v - round(v)), vec2(1e-3))); }\n"
        "void main() {\n"
        "    bool ok = whole(p) && whole(m[0]) && whole(m[1]) && whole(vec2(a[0], a[1])) && k == 7;\n"
        "    result = ok ? vec4(0, 1, 0, 1) : vec4(1, 0, 0, 1);\n"
        "}\n";
    useScreenPipeline();
    IDirect3DVertexShader9* vertexShader = nullptr;
    IDirect3DPixelShader9* pixelShader = nullptr;
    std::string errors;
    ASSERT_EQ(d3dglCreateVertexShader(device, vs, &vertexShader, &errors), D3D_OK) << errors;
    ASSERT_EQ(d3dglCreatePixelShader(device, ps, &pixelShader, &errors), D3D_OK) << errors;
    keep(vertexShader), keep(pixelShader);
    device->SetVertexShader(vertexShader);
    device->SetPixelShader(pixelShader);
    clearBlack();
    drawTriangles(rect(0, 0, float(kWidth), float(kHeight), 0));
    expectRect(backBufferPixels(), kWidth, kHeight, RECT{0, 0, LONG(kWidth), LONG(kHeight)}, 0xFF00FF00, 0);
}
