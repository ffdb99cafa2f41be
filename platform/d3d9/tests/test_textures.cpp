#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "device_fixture.h"

namespace {

// Texture coordinates from the position: u = x / 16, v = y / 16 over the quad.
const char* kTexturedPS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 vColor;\n"
    "layout(location = 0) out vec4 result;\n"
    "layout(binding = 3) uniform sampler2D s3;\n"
    "void main() { result = texture(s3, gl_FragCoord.xy / 16.0); }\n";

// The vertex shader reads a vertex texture (sampler 257) and passes it on as the colour.
const char* kVertexTextureVS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 position;\n"
    "layout(location = 0) out vec4 vColor;\n"
    "out gl_PerVertex { vec4 gl_Position; };\n"
    "layout(std140, binding = 0) uniform VSConstants { vec4 c[256]; };\n"
    "layout(binding = 17) uniform sampler2D v1;\n" D3DGL_DEVICE_BLOCK_GLSL
    "void main() {\n"
    "    gl_Position = vec4(position.x * c[0].x - 1.0, position.y * c[0].y + 1.0, 0.5, 1.0);\n"
    "    vColor = textureLod(v1, vec2(0.75, 0.25), 0.0);\n"
    "    gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;\n"
    "}\n";

}  // namespace

class TextureTest : public DeviceTest {
protected:
    // A 2 x 2 texture: top row red, green; bottom row blue, white (alpha 0x80 throughout).
    IDirect3DTexture9* checker(D3DFORMAT format) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(2, 2, 1, 0, format, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        const uint32_t rows[2][2] = {{0x80FF0000, 0x8000FF00}, {0x800000FF, 0x80FFFFFF}};
        for (int y = 0; y < 2; ++y) std::memcpy(static_cast<uint8_t*>(locked.pBits) + std::ptrdiff_t{y} * locked.Pitch, rows[y], 8);
        EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
        return keep(texture);
    }

    void usePixelShader(const char* text) {
        IDirect3DPixelShader9* ps = nullptr;
        std::string errors;
        ASSERT_EQ(d3dglCreatePixelShader(device, text, &ps, &errors), D3D_OK) << errors;
        keep(ps);
        device->SetPixelShader(ps);
    }
};

TEST_F(TextureTest, LockedTexelsSampleTopDownAsDirect3DStoresThem) {
    useScreenPipeline();
    usePixelShader(kTexturedPS);
    device->SetTexture(3, checker(D3DFMT_A8R8G8B8));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawQuad(0, 0, 16, 16, 0xFFFFFFFF);
    auto pixels = backBufferPixels();
    EXPECT_EQ(pixel(pixels, 2, 2), 0x80FF0000u);
    EXPECT_EQ(pixel(pixels, 13, 2), 0x8000FF00u);
    EXPECT_EQ(pixel(pixels, 2, 13), 0x800000FFu);
    EXPECT_EQ(pixel(pixels, 13, 13), 0x80FFFFFFu);
}

TEST_F(TextureTest, X8R8G8B8SamplesOpaque) {
    useScreenPipeline();
    usePixelShader(kTexturedPS);
    device->SetTexture(3, checker(D3DFMT_X8R8G8B8));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawQuad(0, 0, 16, 16, 0xFFFFFFFF);
    EXPECT_EQ(pixel(backBufferPixels(), 13, 2), 0xFF00FF00u);
}

TEST_F(TextureTest, SamplerStatesReachTheSampler) {
    useScreenPipeline();
    usePixelShader(kTexturedPS);
    device->SetTexture(3, checker(D3DFMT_A8R8G8B8));
    device->SetSamplerState(3, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(3, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(3, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(3, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawQuad(0, 0, 16, 16, 0xFFFFFFFF);
    auto pixels = backBufferPixels();
    // Clamped at the corner, a blend of all four in the middle.
    EXPECT_EQ(pixel(pixels, 0, 0), 0x80FF0000u);
    uint32_t middle = pixel(pixels, 8, 8);
    EXPECT_NEAR(int((middle >> 16) & 0xFF), 128, 20);
    EXPECT_NEAR(int((middle >> 8) & 0xFF), 128, 20);
}

TEST_F(TextureTest, VertexTextureSamplersBindUnitsFromSixteen) {
    useScreenPipeline();
    IDirect3DVertexShader9* vs = nullptr;
    std::string errors;
    ASSERT_EQ(d3dglCreateVertexShader(device, kVertexTextureVS, &vs, &errors), D3D_OK) << errors;
    keep(vs);
    device->SetVertexShader(vs);
    ASSERT_EQ(device->SetTexture(D3DVERTEXTEXTURESAMPLER1, checker(D3DFMT_A8R8G8B8)), D3D_OK);
    IDirect3DBaseTexture9* bound = nullptr;
    device->GetTexture(D3DVERTEXTEXTURESAMPLER1, &bound);
    ASSERT_NE(bound, nullptr);
    bound->Release();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    drawQuad(0, 0, 4, 4, 0);
    EXPECT_EQ(pixel(backBufferPixels(), 1, 1), 0x8000FF00u);
}

namespace {

// Vertex and pixel shaders that read sampler 0 (or vertex sampler 0) in the ways a shader can: at
// an explicit level, with explicit gradients, or at its own; pixel shaders read sampler 1 too.
const char* kLodVS =
    "#version 450 core\n"
    "layout(location = 0) in vec4 position;\n"
    "layout(location = 0) out vec4 vColor;\n"
    "out gl_PerVertex { vec4 gl_Position; };\n"
    "layout(std140, binding = 0) uniform VSConstants { vec4 c[256]; };\n"
    "layout(binding = 16) uniform sampler2D v0;\n" D3DGL_DEVICE_BLOCK_GLSL
    "void main() {\n"
    "    gl_Position = vec4(position.x * c[0].x - 1.0, position.y * c[0].y + 1.0, 0.5, 1.0);\n"
    "    vColor = textureLod(v0, vec2(0.25), 0.0);\n"
    "    gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;\n"
    "}\n";

std::string samplingPS(const char* read, const char* helper = "") {
    return std::string("#version 450 core\n"
                       "layout(location = 0) in vec4 vColor;\n"
                       "layout(location = 0) out vec4 result;\n"
                       "layout(binding = 0) uniform sampler2D s0;\n"
                       "layout(binding = 1) uniform sampler2D s1;\n") +
           helper + "void main() { result = 0.5 * (" + read + " + texture(s1, vec2(0.5))); }\n";
}

float samplerAnisotropy(GLuint unit) {
    GLint sampler = 0;
    glGetIntegeri_v(GL_SAMPLER_BINDING, unit, &sampler);
    GLfloat anisotropy = 0.0f;
    glGetSamplerParameterfv(GLuint(sampler), GL_TEXTURE_MAX_ANISOTROPY, &anisotropy);
    return anisotropy;
}

}  // namespace

// Anisotropic filtering on a sampler the program reads at an explicit level crashes some GL
// drivers as the draw compiles: those units draw without it; the others keep what was asked.
TEST_F(TextureTest, SamplersReadAtAnExplicitLevelDrawWithoutAnisotropy) {
    const struct {
        const char* name;
        bool vertex;
        std::string pixel;
        float unit0, unit1;  // anisotropy sent for samplers 0 (or vertex 0) and 1
    } cases[] = {
        {"vertex texture", true, samplingPS("vColor"), 1.0f, 16.0f},
        {"pixel, explicit level", false, samplingPS("textureLod(s0, vec2(0.25), 0.0)"), 1.0f, 16.0f},
        {"pixel, gradients", false, samplingPS("textureGrad(s0, vec2(0.25), vec2(0.0), vec2(0.0))"), 1.0f, 16.0f},
        {"pixel, own level", false, samplingPS("texture(s0, vec2(0.25))"), 16.0f, 16.0f},
        // Through a function the sampler read cannot be told apart: every sampler goes without.
        {"pixel, helper", false,
            samplingPS("fetch(s0)", "vec4 fetch(sampler2D s) { return textureLod(s, vec2(0.25), 0.0); }\n"), 1.0f,
            1.0f},
        {"pixel, own level again", false, samplingPS("texture(s0, vec2(0.25))"), 16.0f, 16.0f},
    };
    D3DCAPS9 caps{};
    device->GetDeviceCaps(&caps);
    const float most = std::clamp(float(caps.MaxAnisotropy), 1.0f, 16.0f);
    EXPECT_FALSE(caps.VertexTextureFilterCaps & (D3DPTFILTERCAPS_MINFANISOTROPIC | D3DPTFILTERCAPS_MAGFANISOTROPIC));
    useScreenPipeline();
    // One colour, however the driver filters it.
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    keep(texture);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 2; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + std::ptrdiff_t{y} * locked.Pitch);
        row[0] = row[1] = 0x80FF0000;
    }
    texture->UnlockRect(0);
    for (DWORD sampler : {DWORD(0), DWORD(1), DWORD(D3DVERTEXTEXTURESAMPLER0)}) {
        device->SetTexture(sampler, texture);
        device->SetSamplerState(sampler, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
        device->SetSamplerState(sampler, D3DSAMP_MAGFILTER, D3DTEXF_ANISOTROPIC);
        device->SetSamplerState(sampler, D3DSAMP_MAXANISOTROPY, 16);
    }
    IDirect3DVertexShader9* screen = nullptr;
    device->GetVertexShader(&screen);
    keep(screen);
    IDirect3DVertexShader9* lod = nullptr;
    std::string errors;
    ASSERT_EQ(d3dglCreateVertexShader(device, kLodVS, &lod, &errors), D3D_OK) << errors;
    keep(lod);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetVertexShader(c.vertex ? lod : screen);
        usePixelShader(c.pixel.c_str());
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        drawQuad(0, 0, 4, 4, 0);
        EXPECT_EQ(pixel(backBufferPixels(), 1, 1), 0x80FF0000u);
        EXPECT_EQ(samplerAnisotropy(c.vertex ? D3DGL_VERTEX_SAMPLER_UNIT0 : 0), std::min(c.unit0, most));
        EXPECT_EQ(samplerAnisotropy(1), std::min(c.unit1, most));
    }
}

TEST_F(TextureTest, TextureCreationChecksItsArguments) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFORMAT(12345), D3DPOOL_MANAGED, &texture, nullptr),
        D3DERR_NOTAVAILABLE);
    EXPECT_EQ(texture, nullptr);
    ASSERT_EQ(device->CreateTexture(8, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    keep(texture);
    D3DLOCKED_RECT locked;
    RECT outside{0, 0, 9, 4};
    EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
    RECT inside{2, 1, 4, 3};
    ASSERT_EQ(texture->LockRect(0, &locked, &inside, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 32);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, GammaRampIsKept) {
    D3DGAMMARAMP ramp;
    device->GetGammaRamp(0, &ramp);
    EXPECT_EQ(ramp.red[255], 65535);
    EXPECT_EQ(ramp.green[128], 128 * 257);
    for (int i = 0; i < 256; ++i) ramp.red[i] = ramp.green[i] = ramp.blue[i] = WORD(65535 - i * 257);
    device->SetGammaRamp(0, D3DSGR_NO_CALIBRATION, &ramp);
    D3DGAMMARAMP read;
    device->GetGammaRamp(0, &read);
    EXPECT_EQ(std::memcmp(&read, &ramp, sizeof ramp), 0);
}
