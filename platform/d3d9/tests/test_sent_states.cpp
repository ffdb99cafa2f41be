// What a draw sends to GL: only the calls whose values differ from what GL holds, and still the
// right pixels whatever else changed GL in between.
#include <cstdlib>
#include <functional>

#include "d3d9sim.h"
#include "gl_call_counter.h"
#include "sampling_fixture.h"

namespace {

class SentStatesTest : public DeviceTest {
protected:
    void SetUp() override {
        // GL names come back as soon as they are free, as on most drivers (Mesa's own choice is not to).
        setenv("force_gl_names_reuse", "true", 1);
        DeviceTest::SetUp();
        useScreenPipeline();
    }

    void TearDown() override {
        DeviceTest::TearDown();
        unsetenv("force_gl_names_reuse");
    }

    IDirect3DVertexBuffer9* vertexBuffer(const std::vector<ScreenVertex>& vertices) {
        IDirect3DVertexBuffer9* vb = nullptr;
        const UINT size = UINT(vertices.size() * sizeof(ScreenVertex));
        EXPECT_EQ(device->CreateVertexBuffer(size, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
        void* data = nullptr;
        vb->Lock(0, 0, &data, 0);
        std::memcpy(data, vertices.data(), size);
        vb->Unlock();
        return vb;
    }

    IDirect3DIndexBuffer9* indexBuffer(const std::vector<WORD>& indices) {
        IDirect3DIndexBuffer9* ib = nullptr;
        const UINT size = UINT(indices.size() * sizeof(WORD));
        EXPECT_EQ(device->CreateIndexBuffer(size, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
        void* data = nullptr;
        ib->Lock(0, 0, &data, 0);
        std::memcpy(data, indices.data(), size);
        ib->Unlock();
        return ib;
    }

    // States away from the defaults, so that the first draw has plenty to send.
    void setBusyStates() {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
        device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
        device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
        device->SetRenderState(D3DRS_COLORWRITEENABLE, 0x7);
        device->SetRenderState(D3DRS_DEPTHBIAS, 0x3F000000);
    }
};

const std::vector<WORD> kQuadIndices = {0, 1, 2, 3, 4, 5};

TEST_F(SentStatesTest, ARepeatedDrawSendsOnlyTheDrawAndItsUploads) {
    const std::vector<ScreenVertex> vertices = quad(2, 2, 10, 10, 0xFF00FF00);
    IDirect3DVertexBuffer9* vb = keep(vertexBuffer(vertices));
    IDirect3DIndexBuffer9* ib = keep(indexBuffer(kQuadIndices));
    const struct {
        const char* name;
        std::function<HRESULT()> draw;
        unsigned uploads;  // the user-pointer data, copied anew each time
    } draws[] = {
        {"DrawPrimitive",
            [&] {
                device->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
                return device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
            },
            0},
        {"DrawIndexedPrimitive",
            [&] {
                device->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
                device->SetIndices(ib);
                return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0, 2);
            },
            0},
        {"DrawPrimitiveUP",
            [&] { return device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, vertices.data(), sizeof(ScreenVertex)); }, 1},
        {"DrawIndexedPrimitiveUP",
            [&] {
                return device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 6, 2, kQuadIndices.data(), D3DFMT_INDEX16,
                    vertices.data(), sizeof(ScreenVertex));
            },
            2},
    };
    setBusyStates();
    gl_calls::Counter counter;
    for (const auto& d : draws) {
        ASSERT_EQ(d.draw(), D3D_OK) << d.name;
        counter.reset();
        ASSERT_EQ(d.draw(), D3D_OK) << d.name;
        EXPECT_EQ(counter.beyondDraws(), d.uploads) << d.name;
        EXPECT_EQ(counter.of(gl_calls::k_glNamedBufferData), d.uploads) << d.name;
        EXPECT_EQ(counter.total() - counter.beyondDraws(), 1u) << d.name;
    }
}

// A state set to what GL already holds costs nothing; a changed one costs its own call only.
TEST_F(SentStatesTest, AChangedStateSendsItsOwnCallOnly) {
    const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
        gl_calls::Name call;
    } cases[] = {
        {D3DRS_ALPHABLENDENABLE, TRUE, gl_calls::k_glEnable},
        {D3DRS_DESTBLEND, D3DBLEND_ONE, gl_calls::k_glBlendFuncSeparate},
        {D3DRS_ZFUNC, D3DCMP_ALWAYS, gl_calls::k_glDepthFunc},
        {D3DRS_STENCILREF, 3, gl_calls::k_glStencilFuncSeparate},
        {D3DRS_STENCILPASS, D3DSTENCILOP_INCR, gl_calls::k_glStencilOpSeparate},
        {D3DRS_COLORWRITEENABLE, 0x3, gl_calls::k_glColorMaski},
        {D3DRS_ALPHAREF, 0x80, gl_calls::k_glNamedBufferSubData},
    };
    gl_calls::Counter counter;
    for (const auto& c : cases) {
        DWORD was = 0;
        device->GetRenderState(c.state, &was);
        for (DWORD value : {c.value, was}) {
            drawQuad(0, 0, 4, 4, 0xFFFFFFFF);
            device->SetRenderState(c.state, value);
            counter.reset();
            drawQuad(0, 0, 4, 4, 0xFFFFFFFF);
            // Stencil funcs and ops go per face: front and back.
            const unsigned faces = c.call == gl_calls::k_glStencilFuncSeparate || c.call == gl_calls::k_glStencilOpSeparate;
            // Switching a capability back is glDisable.
            const unsigned sent = counter.of(c.call) + (c.call == gl_calls::k_glEnable ? counter.of(gl_calls::k_glDisable) : 0);
            EXPECT_EQ(sent, 1u + faces) << "state " << c.state << " = " << value;
            // The call itself, the vertex upload and the draw.
            EXPECT_EQ(counter.total(), 3u + faces) << "state " << c.state << " = " << value;
        }
    }
}

// A sampler's parameters go one by one: only those a changed state gives a new value.
TEST_F(SentStatesTest, AChangedSamplerStateSendsItsOwnParameterOnly) {
    const struct {
        D3DSAMPLERSTATETYPE type;
        DWORD value;
        gl_calls::Name call;
        unsigned sent;
    } cases[] = {
        {D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP, gl_calls::k_glSamplerParameteri, 1},
        {D3DSAMP_MAGFILTER, D3DTEXF_LINEAR, gl_calls::k_glSamplerParameteri, 1},
        {D3DSAMP_MIPFILTER, D3DTEXF_LINEAR, gl_calls::k_glSamplerParameteri, 1},
        {D3DSAMP_BORDERCOLOR, 0xFF00FF00, gl_calls::k_glSamplerParameterfv, 1},
        {D3DSAMP_MIPMAPLODBIAS, 0x3F800000, gl_calls::k_glSamplerParameterf, 1},
        // Without anisotropic filtering the limit changes nothing GL holds.
        {D3DSAMP_MAXANISOTROPY, 4, gl_calls::k_glSamplerParameterf, 0},
    };
    gl_calls::Counter counter;
    for (const auto& c : cases) {
        DWORD was = 0;
        device->GetSamplerState(3, c.type, &was);
        for (DWORD value : {c.value, was}) {
            drawQuad(0, 0, 4, 4, 0xFFFFFFFF);
            device->SetSamplerState(3, c.type, value);
            counter.reset();
            drawQuad(0, 0, 4, 4, 0xFFFFFFFF);
            EXPECT_EQ(counter.of(c.call), c.sent) << "sampler state " << c.type << " = " << value;
            EXPECT_EQ(counter.total(), 2u + c.sent) << "sampler state " << c.type << " = " << value;
        }
    }
}

// A buffer released while GL's vertex array still names it leaves the name free: a new buffer may
// get it back, and binding that one must reach GL.
TEST_F(SentStatesTest, ABufferMadeWithAReleasedOnesNameIsBoundAnew) {
    const struct {
        const char* name;
        bool indexed;
    } cases[] = {{"vertex buffer", false}, {"index buffer", true}};
    for (const auto& c : cases) {
        IDirect3DVertexBuffer9* vb = vertexBuffer(quad(0, 0, 8, 8, 0xFFFF0000));
        IDirect3DIndexBuffer9* ib = indexBuffer(kQuadIndices);
        auto draw = [&] {
            device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
            device->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
            device->SetIndices(ib);
            return c.indexed ? device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0, 2)
                             : device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
        };
        ASSERT_EQ(draw(), D3D_OK) << c.name;
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetIndices(nullptr);
        if (c.indexed) {
            ib->Release();
            ib = indexBuffer(kQuadIndices);
        } else {
            vb->Release();
            vb = vertexBuffer(quad(0, 0, 8, 8, 0xFF0000FF));
        }
        ASSERT_EQ(draw(), D3D_OK) << c.name;
        expectRect(backBufferPixels(), kWidth, kHeight, RECT{0, 0, 8, 8}, c.indexed ? 0xFFFF0000 : 0xFF0000FF,
            0xFF000000);
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetIndices(nullptr);
        vb->Release();
        ib->Release();
    }
}

// Clears, copies and presents change GL's masks and scissor themselves; the next draw still
// draws as the device's states say.
TEST_F(SentStatesTest, DrawsFollowTheirStatesAfterWhatElseChangedGL) {
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(device->CreateRenderTarget(kWidth, kHeight, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target,
                  nullptr),
        D3D_OK);
    keep(target);
    IDirect3DSurface9* back = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    keep(back);
    const D3DRECT corner{40, 30, 44, 34};
    const struct {
        const char* name;
        std::function<void()> between;
    } others[] = {
        {"Clear", [&] { device->Clear(1, &corner, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0); }},
        {"ColorFill", [&] { device->ColorFill(target, nullptr, 0xFF102030); }},
        {"StretchRect", [&] { device->StretchRect(back, nullptr, target, nullptr, D3DTEXF_NONE); }},
    };
    for (const auto& other : others) {
        device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
        device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
        device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        // Green only, inside the scissor, without writing depth.
        const RECT scissor{4, 4, 12, 12};
        device->SetScissorRect(&scissor);
        device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
        device->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_GREEN | D3DCOLORWRITEENABLE_ALPHA);
        device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
        drawQuad(0, 0, float(kWidth), float(kHeight), 0xFFFFFFFF, 0.2f);
        other.between();
        drawQuad(0, 0, float(kWidth), float(kHeight), 0xFFFFFFFF, 0.2f);
        // Nothing wrote depth: a farther quad still passes the depth test inside the scissor.
        device->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_BLUE | D3DCOLORWRITEENABLE_ALPHA);
        drawQuad(0, 0, float(kWidth), float(kHeight), 0xFF0000FF, 0.6f);
        SCOPED_TRACE(other.name);
        expectRect(backBufferPixels(), kWidth, kHeight, RECT{4, 4, 12, 12}, 0xFF00FFFF, 0xFF000000);
    }
}

// After a reset, or the hook that says GL was changed behind the device's back, nothing GL held
// is taken as known: the first draw sends its states and constants again.
TEST_F(SentStatesTest, ResetAndTheForgetHookSendEveryStateAgain) {
    const struct {
        const char* name;
        std::function<void()> forget;
    } cases[] = {
        {"Reset",
            [&] {
                ASSERT_EQ(device->Reset(&pp), D3D_OK);
                useScreenPipeline();
            }},
        {"hook",
            [&] {
                // Masks and constants changed elsewhere on the context.
                glColorMaski(0, GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
                const float zero[4] = {};
                GLint block = 0;
                glGetIntegeri_v(GL_UNIFORM_BUFFER_BINDING, D3DGL_VS_CONSTANTS, &block);
                glNamedBufferSubData(GLuint(block), 0, sizeof zero, zero);
                d3dsimForgetGLState(device);
            }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setBusyStates();
        drawQuad(0, 0, 4, 4, 0xFFFFFFFF);
        c.forget();
        setBusyStates();
        gl_calls::Counter counter;
        drawQuad(0, 0, 4, 4, 0xFFFFFFFF);
        EXPECT_GT(counter.of(gl_calls::k_glBlendFuncSeparate), 0u);
        EXPECT_GT(counter.of(gl_calls::k_glVertexArrayAttribFormat), 0u);
        EXPECT_GT(counter.of(gl_calls::k_glUseProgramStages), 0u);
        EXPECT_GE(counter.of(gl_calls::k_glNamedBufferSubData), 2u);
        device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
        device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        drawQuad(2, 2, 6, 6, 0xFF00FF00);
        expectRect(backBufferPixels(), kWidth, kHeight, RECT{2, 2, 6, 6}, 0xFF00FF00, 0xFF000000);
    }
}

// Constants set again to what the block holds are not uploaded; any register that changed is.
TEST_F(SentStatesTest, ConstantsUploadOnlyWhatChanged) {
    const float scale[4] = {2.0f / float(kWidth), -2.0f / float(kHeight), 0, 0};
    const float doubled[4] = {4.0f / float(kWidth), -4.0f / float(kHeight), 0, 0};
    const float other[4] = {1, 2, 3, 4};
    gl_calls::Counter counter;
    drawQuad(0, 0, 4, 4, 0xFFFFFFFF);
    const struct {
        const float* c0;
        const float* c3;
        unsigned uploads;
        RECT drawn;  // the 4 x 4 quad, as c0 scales it
    } cases[] = {
        {scale, nullptr, 0, {0, 0, 4, 4}},
        {doubled, nullptr, 1, {0, 0, 8, 8}},
        {doubled, other, 1, {0, 0, 8, 8}},
        {doubled, other, 0, {0, 0, 8, 8}},
        {scale, other, 1, {0, 0, 4, 4}},
    };
    for (const auto& c : cases) {
        float registers[16] = {};
        std::memcpy(registers, c.c0, 16);
        if (c.c3) std::memcpy(registers + 12, c.c3, 16);
        device->SetVertexShaderConstantF(0, registers, 4);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        counter.reset();
        drawQuad(0.25f, 0.25f, 4.25f, 4.25f, 0xFF00FF00);
        EXPECT_EQ(counter.of(gl_calls::k_glNamedBufferSubData), c.uploads);
        expectRect(backBufferPixels(), kWidth, kHeight, c.drawn, 0xFF00FF00, 0xFF000000);
    }
}

// A program linked whole: made current, it would draw red wherever anything is drawn.
GLuint redProgram() {
    const char* vs = "#version 450 core\nlayout(location = 0) in vec4 p;\nvoid main() { gl_Position = p; }\n";
    const char* fs = "#version 450 core\nout vec4 c;\nvoid main() { c = vec4(1, 0, 0, 1); }\n";
    const GLuint program = glCreateProgram();
    for (auto [stage, text] : {std::pair{GL_VERTEX_SHADER, vs}, std::pair{GL_FRAGMENT_SHADER, fs}}) {
        const GLuint shader = glCreateShader(stage);
        glShaderSource(shader, 1, &text, nullptr);
        glCompileShader(shader);
        glAttachShader(program, shader);
        glDeleteShader(shader);
    }
    glLinkProgram(program);
    return program;
}

// The bindings the device makes once, at creation, changed on its context behind its back: after
// the hook an upload, a draw that samples it and the read-back all come out right again.
TEST_F(SamplingTest, TheForgetHookBindsAgainWhatTheDeviceMadeAtCreation) {
    constexpr UINT kTexels = 3, kRows = 2;
    IDirect3DSurface9* target = useFloatTarget(kTexels * 2, kRows * 2);
    pointSampling(0, D3DTEXF_NONE);
    GLuint vao = 0, pipeline = 0, buffer = 0, sampler = 0;
    glCreateVertexArrays(1, &vao);
    glCreateProgramPipelines(1, &pipeline);
    glCreateBuffers(1, &buffer);
    glNamedBufferData(buffer, 4096, nullptr, GL_STATIC_DRAW);
    glCreateSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const GLuint program = redProgram();
    const struct {
        const char* name;
        std::function<void()> change;
    } cases[] = {
        {"vertex array", [&] { glBindVertexArray(vao); }},
        {"pipeline", [&] { glBindProgramPipeline(pipeline); }},
        {"current program", [&] { glUseProgram(program); }},
        {"uniform blocks",
            [&] {
                for (GLuint binding = 0; binding < 4; ++binding) glBindBufferBase(GL_UNIFORM_BUFFER, binding, buffer);
            }},
        {"sampler", [&] { glBindSampler(0, sampler); }},
        {"clip control", [&] { glClipControl(GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE); }},
        {"pixel store",
            [&] {
                glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
                glPixelStorei(GL_UNPACK_SKIP_PIXELS, 1);
                glPixelStorei(GL_PACK_ALIGNMENT, 8);
                glPixelStorei(GL_PACK_SKIP_ROWS, 1);
            }},
        {"pixel buffers",
            [&] {
                glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer);
                glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
            }},
    };
    // Each texel its own colour: a shifted, flipped or blended read shows.
    const uint32_t texels[kRows][kTexels] = {
        {0xFF000000, 0xFFFFFFFF, 0xFF0000FF}, {0xFFFF0000, 0xFF00FF00, 0xFFFFFF00}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        d3dsimForgetGLState(device);
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(kTexels, kRows, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3D_OK);
        fill(texture, texels, kTexels * 4, kRows, 0u);
        device->SetTexture(0, texture);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        drawAll();
        const std::vector<Rgba> pixels = readFloats(target);
        device->SetTexture(0, nullptr);
        texture->Release();
        ASSERT_EQ(pixels.size(), size_t(kTexels * kRows * 4));
        int wrong = 0;
        for (UINT y = 0; y < kRows * 2; ++y)
            for (UINT x = 0; x < kTexels * 2; ++x) {
                const uint32_t t = texels[y / 2][x / 2];
                const Rgba want{float((t >> 16) & 0xFF) / 255.0f, float((t >> 8) & 0xFF) / 255.0f,
                    float(t & 0xFF) / 255.0f, 1.0f};
                if (pixels[y * kTexels * 2 + x] != want) ++wrong;
            }
        EXPECT_EQ(wrong, 0);
    }
    glDeleteProgram(program);
    glDeleteSamplers(1, &sampler);
    glDeleteBuffers(1, &buffer);
    glDeleteProgramPipelines(1, &pipeline);
    glDeleteVertexArrays(1, &vao);
}

}  // namespace
