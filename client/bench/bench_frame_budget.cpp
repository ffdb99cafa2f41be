// The frame budget: the packed sample played whole, offscreen at 960x540 with a fixed step of
// 1/30 s, one benchmark iteration per play. Per frame it takes the whole frame (from the start of
// the loop's pass until the device has finished drawing), the CPU time of our own code on the
// main thread (the same span with the time inside the GL calls taken out), and the draw calls and
// state changes sent; it reports their median and 99th percentile, and for the two times also the
// maximum and the frames of ours over 1 ms.

#include "PlayerApplication.h"

#include <ProgramFolder.h>
#include "SetupDialog.h"

#include <tormakelin/core/Timer.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/StateManager.h>

#include <d3d9sim.h>
#include <tormakelin_win32.h>

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace tormakelin;

int64_t threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int64_t wallNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU time spent inside the GL calls the device layers make each frame, taken by putting a timed
// call in front of each one in the GL dispatch table. Reading the thread's CPU clock is a system
// call: the share of each reading that falls outside the GL call is taken out of our own time
// by the measured cost of one reading per call.
int64_t g_glNs = 0;
int64_t g_glCalls = 0;

double clockReadNs()
{
    constexpr int kReads = 20000;
    int64_t const start = threadCpuNs();
    for (int i = 0; i < kReads; ++i)
        benchmark::DoNotOptimize(threadCpuNs());
    return double(threadCpuNs() - start) / kReads;
}

template <class F>
struct TimedGl;

template <class R, class... A>
struct TimedGl<R (*)(A...)> {
    template <R (**Original)(A...)>
    static R call(A... args)
    {
        ++g_glCalls;
        struct Clock {
            int64_t const start = threadCpuNs();
            ~Clock() { g_glNs += threadCpuNs() - start; }
        } const clock;
        return (*Original)(args...);
    }
};

// Every GL call the device layers make but glFinish, which the benchmark makes itself.
#define TORMAKELIN_TIMED_GL(X) \
    X(glBeginQuery) X(glBindBufferBase) X(glBindFramebuffer) X(glBindProgramPipeline) X(glBindSampler) \
    X(glBindTextureUnit) X(glBindVertexArray) X(glBlendColor) X(glBlendEquationSeparate) X(glBlendFuncSeparate) \
    X(glBlitNamedFramebuffer) X(glCheckNamedFramebufferStatus) X(glClearBufferfi) X(glClearBufferfv) \
    X(glClearBufferiv) X(glClearNamedFramebufferfv) X(glClearTexSubImage) X(glClientWaitSync) X(glClipControl) \
    X(glColorMask) X(glColorMaski) X(glCompressedTextureSubImage2D) X(glCompressedTextureSubImage3D) \
    X(glCopyImageSubData) X(glCreateBuffers) X(glCreateFramebuffers) X(glCreateProgramPipelines) \
    X(glCreateQueries) X(glCreateSamplers) X(glCreateShaderProgramv) X(glCreateTextures) X(glCreateVertexArrays) \
    X(glCullFace) X(glDebugMessageCallback) X(glDeleteBuffers) X(glDeleteFramebuffers) X(glDeleteProgram) \
    X(glDeleteProgramPipelines) X(glDeleteQueries) X(glDeleteSamplers) X(glDeleteSync) X(glDeleteTextures) \
    X(glDeleteVertexArrays) X(glDepthFunc) X(glDepthMask) X(glDepthRangef) X(glDisable) \
    X(glDisableVertexArrayAttrib) X(glDrawArrays) X(glDrawElements) X(glDrawElementsInstancedBaseVertex) \
    X(glEnable) X(glEnableVertexArrayAttrib) X(glEndQuery) X(glFenceSync) X(glFlush) X(glFrontFace) \
    X(glGenerateTextureMipmap) X(glGetCompressedTextureSubImage) X(glGetFloatv) X(glGetIntegerv) \
    X(glGetProgramInfoLog) X(glGetProgramiv) X(glGetQueryObjectuiv) X(glGetString) X(glGetTextureSubImage) \
    X(glNamedBufferData) X(glNamedBufferStorage) X(glNamedBufferSubData) X(glNamedFramebufferDrawBuffers) \
    X(glNamedFramebufferReadBuffer) X(glNamedFramebufferTexture) X(glNamedFramebufferTextureLayer) \
    X(glPixelStorei) X(glPolygonMode) X(glPolygonOffset) X(glSamplerParameterf) X(glSamplerParameterfv) \
    X(glSamplerParameteri) X(glScissor) X(glStencilFuncSeparate) X(glStencilMask) X(glStencilOpSeparate) \
    X(glTextureParameteri) X(glTextureParameteriv) X(glTextureStorage2D) X(glTextureStorage2DMultisample) \
    X(glTextureStorage3D) X(glTextureSubImage2D) X(glTextureSubImage3D) X(glUseProgramStages) \
    X(glVertexArrayAttribBinding) X(glVertexArrayAttribFormat) X(glVertexArrayBindingDivisor) \
    X(glVertexArrayElementBuffer) X(glVertexArrayVertexBuffer) X(glViewport)

#define TORMAKELIN_ORIGINAL(name)                                                                                 \
    decltype(epoxy_##name) g_original_##name = nullptr;                                                            \
    decltype(epoxy_##name) g_replaced_##name = nullptr;
TORMAKELIN_TIMED_GL(TORMAKELIN_ORIGINAL)

// With the context current: the driver's own entry points behind timed ones.
void timeGlCalls()
{
#define TORMAKELIN_INSTALL(name)                                                                                  \
    if (!g_original_##name) {                                                                                      \
        g_original_##name = reinterpret_cast<decltype(epoxy_##name)>(SDL_GL_GetProcAddress(#name));                \
        if (g_original_##name) {                                                                                   \
            g_replaced_##name = epoxy_##name;                                                                      \
            epoxy_##name = &TimedGl<decltype(epoxy_##name)>::call<&g_original_##name>;                             \
        }                                                                                                          \
    }
    TORMAKELIN_TIMED_GL(TORMAKELIN_INSTALL)
#undef TORMAKELIN_INSTALL
}

// After a play: the dispatch as it was, since the driver's entry points may go with its library.
void untimeGlCalls()
{
#define TORMAKELIN_RESTORE(name)                                                                                  \
    if (g_original_##name) {                                                                                       \
        epoxy_##name = g_replaced_##name;                                                                          \
        g_original_##name = nullptr;                                                                               \
    }
    TORMAKELIN_TIMED_GL(TORMAKELIN_RESTORE)
#undef TORMAKELIN_RESTORE
}

struct FrameFigures {
    std::vector<double> frameMs, oursMs, draws, states, glCalls, times;
    void reserve(size_t n)
    {
        for (auto* series : {&frameMs, &oursMs, &draws, &states, &glCalls, &times})
            series->reserve(n);
    }
};

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t const at = std::min(values.size() - 1, size_t(fraction * double(values.size() - 1) + 0.5));
    return values[at];
}

// Where the loop's present pass started.
int64_t g_counter = 0;
int64_t passStartWall = 0;
int64_t passStartCpu = 0;
int64_t passStartGl = 0;
int64_t passStartCalls = 0;

void markPass()
{
    passStartWall = wallNs();
    passStartCpu = threadCpuNs();
    passStartGl = g_glNs;
    passStartCalls = g_glCalls;
}

constexpr int64_t kFrequency = 3000;
constexpr int64_t kStep = 100;  // 1/30 s

void sampleFrameBudget(benchmark::State& state)
{
    std::filesystem::path const sample = tormakelin::test::samplePath();
    D3DSimAdapter adapter = d3dsimDefaultAdapter();
    adapter.modes = {D3DDISPLAYMODE{960, 540, 60, D3DFMT_X8R8G8B8}};
    d3dsimSetAdapters({adapter});
    // The setup dialog answered as a user would: the one 960x540 mode, in a window.
    win32::DialogDriver driver;
    driver.onDialog = [](HWND dialog, LPCSTR) {
        SendDlgItemMessageA(dialog, client::kResolution, CB_SETCURSEL, 0, 0);
        SendDlgItemMessageA(dialog, client::kFullscreen, BM_SETCHECK, BST_UNCHECKED, 0);
        SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);
    };
    win32::setDialogDriver(driver);

    double const readNs = clockReadNs();
    FrameFigures figures;
    figures.reserve(1000);
    unsigned width = 0, height = 0;
    for (auto _ : state) {
        g_counter = 0;
        core::Timer::setCounterSource(
            [] {
                // Read once per pass, after the frame: the next pass starts here.
                markPass();
                return g_counter += kStep;
            },
            [] { return kFrequency; });
        client::PlayerSeams seams;
        seams.commandLine = "Tormakelin.Sample -document " + sample.string();
        seams.pinThread = [] {};
        int frames = 0;
        seams.onFrame = [&](client::PlayerApplication& player) {
            int64_t const cpu = threadCpuNs();
            int64_t const gl = g_glNs;
            int64_t const calls = g_glCalls - passStartCalls;
            render::IRenderDevice* device = player.getRenderDevice();
            glFinish();
            int64_t const finished = wallNs();
            // The dispatch is timed from the first frame on, which is therefore left out.
            if (frames++ > 0) {
                figures.frameMs.push_back(double(finished - passStartWall) / 1e6);
                double const oursNs = double((cpu - passStartCpu) - (gl - passStartGl)) - double(calls) * readNs;
                figures.oursMs.push_back(std::max(oursNs, 0.0) / 1e6);
                figures.glCalls.push_back(double(calls));
                figures.draws.push_back(device->getStatistics()->drawCalls);
                render::StateManager const* states = device->getStateManager();
                figures.states.push_back(states ? double(states->stateChangesSent) : 0.0);
                figures.times.push_back(player.getPlayTime());
            }
            D3DPRESENT_PARAMETERS const* present = device->getPresentParameters();
            width = present->BackBufferWidth;
            height = present->BackBufferHeight;
            timeGlCalls();
        };
        markPass();
        int const exitCode = client::runPlayer(seams);
        untimeGlCalls();
        if (exitCode != 0)
            state.SkipWithError("the sample did not play");
        core::Timer::setCounterSource(nullptr, nullptr);
    }
    win32::setDialogDriver(win32::DialogDriver{});
    d3dsimSetAdapters({});
    if (width != 960 || height != 540)
        state.SkipWithError("the sample did not play at 960x540");
    state.counters["frames"] = double(figures.frameMs.size());
    state.counters["frame_ms_median"] = percentile(figures.frameMs, 0.5);
    state.counters["frame_ms_p99"] = percentile(figures.frameMs, 0.99);
    state.counters["frame_ms_max"] = percentile(figures.frameMs, 1.0);
    state.counters["ours_ms_median"] = percentile(figures.oursMs, 0.5);
    state.counters["ours_ms_p99"] = percentile(figures.oursMs, 0.99);
    state.counters["ours_ms_max"] = percentile(figures.oursMs, 1.0);
    // Which frames of ours went over 1 ms of CPU, by play time.
    int over = 0;
    for (size_t i = 0; i < figures.oursMs.size(); ++i)
        if (figures.oursMs[i] > 1.0) {
            ++over;
            std::fprintf(stderr, "ours over 1 ms at %.3f s: %.3f ms\n", figures.times[i], figures.oursMs[i]);
        }
    state.counters["ours_frames_over_1ms"] = over;
    state.counters["draws_median"] = percentile(figures.draws, 0.5);
    state.counters["draws_p99"] = percentile(figures.draws, 0.99);
    state.counters["states_sent_median"] = percentile(figures.states, 0.5);
    state.counters["states_sent_p99"] = percentile(figures.states, 0.99);
    state.counters["gl_calls_median"] = percentile(figures.glCalls, 0.5);
    state.counters["clock_read_ns"] = readNs;
}

} // namespace

BENCHMARK(sampleFrameBudget)->Iterations(1)->Unit(benchmark::kMillisecond);
