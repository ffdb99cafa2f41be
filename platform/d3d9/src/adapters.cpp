#include "adapters.h"

#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "gl_context.h"

namespace d3d9gl {

namespace {

struct GLInfo {
    std::string vendor, renderer, version;
    GLint maxTextureSize = 8192;
    GLint maxSamples = 4;
    GLint max3DTextureSize = 2048;
    float maxAnisotropy = 16.0f;
    uint64_t textureMemory = 0;
};

uint64_t machineMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : 0;
}

// Free video memory as the driver tells it, else the memory of the machine (as a driver that
// keeps textures in system memory has it).
uint64_t textureMemory() {
    GLint kib[4] = {-1, -1, -1, -1};
    if (epoxy_has_gl_extension("GL_NVX_gpu_memory_info"))
        glGetIntegerv(GL_GPU_MEMORY_INFO_CURRENT_AVAILABLE_VIDMEM_NVX, kib);
    else if (epoxy_has_gl_extension("GL_ATI_meminfo"))
        glGetIntegerv(GL_TEXTURE_FREE_MEMORY_ATI, kib);
    return kib[0] > 0 ? uint64_t(kib[0]) * 1024 : machineMemory();
}

// Read once through a short-lived context of our own.
const GLInfo& glInfo() {
    static GLInfo info;
    static std::once_flag once;
    std::call_once(once, [] {
        VideoSubsystem video;
        if (!video.ok()) return;
        SDL_GLContext previous = SDL_GL_GetCurrentContext();
        SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
        {
            auto context = GLContext::create(nullptr, false, nullptr);
            if (!context) return;
            auto text = [](GLenum name) {
                const GLubyte* s = glGetString(name);
                return std::string(s ? reinterpret_cast<const char*>(s) : "");
            };
            info.vendor = text(GL_VENDOR);
            info.renderer = text(GL_RENDERER);
            info.version = text(GL_VERSION);
            glGetIntegerv(GL_MAX_TEXTURE_SIZE, &info.maxTextureSize);
            glGetIntegerv(GL_MAX_SAMPLES, &info.maxSamples);
            glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &info.max3DTextureSize);
            if (hasAnisotropicFiltering()) glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY, &info.maxAnisotropy);
            else info.maxAnisotropy = 1.0f;
            info.textureMemory = textureMemory();
        }
        if (previous) SDL_GL_MakeCurrent(previousWindow, previous);
    });
    return info;
}

bool contains(const std::string& text, const char* word) {
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find(word) != std::string::npos;
}

DWORD vendorId(const GLInfo& info) {
    std::string both = info.vendor + " " + info.renderer;
    if (contains(both, "nvidia")) return 0x10DE;
    if (contains(both, "amd") || contains(both, "ati ") || contains(both, "radeon")) return 0x1002;
    if (contains(both, "intel")) return 0x8086;
    if (contains(both, "sis")) return 0x1039;
    return 0;
}

void copyText(char* out, size_t size, const std::string& text) {
    std::snprintf(out, size, "%s", text.c_str());
}

std::vector<D3DDISPLAYMODE> displayModes(int display) {
    std::vector<D3DDISPLAYMODE> modes;
    int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) != 0 || mode.w <= 0 || mode.h <= 0) continue;
        D3DDISPLAYMODE m{UINT(mode.w), UINT(mode.h), UINT(mode.refresh_rate > 0 ? mode.refresh_rate : 60),
            D3DFMT_X8R8G8B8};
        modes.push_back(m);
    }
    if (modes.empty()) {
        // Headless drivers list no real mode: offer the common ones.
        static const UINT sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1280, 1024}, {1920, 1080}};
        for (auto& s : sizes) modes.push_back({s[0], s[1], 60, D3DFMT_X8R8G8B8});
    }
    return modes;
}

std::vector<D3DSimAdapter>& injected() {
    static std::vector<D3DSimAdapter> adapters;
    return adapters;
}

}  // namespace

D3DCAPS9 defaultCaps() {
    const GLInfo& info = glInfo();
    D3DCAPS9 caps{};
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.Caps2 = D3DCAPS2_FULLSCREENGAMMA | D3DCAPS2_CANAUTOGENMIPMAP | D3DCAPS2_DYNAMICTEXTURES |
                 D3DCAPS2_CANMANAGERESOURCE;
    caps.Caps3 = D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD | D3DCAPS3_COPY_TO_VIDMEM | D3DCAPS3_COPY_TO_SYSTEMMEM;
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE | D3DDEVCAPS_HWRASTERIZATION;
    caps.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                             D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_BLENDOP |
                             D3DPMISCCAPS_INDEPENDENTWRITEMASKS | D3DPMISCCAPS_SEPARATEALPHABLEND;
    caps.RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SCISSORTEST | D3DPRASTERCAPS_SLOPESCALEDEPTHBIAS |
                      D3DPRASTERCAPS_DEPTHBIAS;
    caps.ZCmpCaps = caps.AlphaCmpCaps = 0xFF;
    caps.SrcBlendCaps = caps.DestBlendCaps = 0x3FFF;
    caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP |
                       D3DPTEXTURECAPS_MIPVOLUMEMAP | D3DPTEXTURECAPS_MIPCUBEMAP | D3DPTEXTURECAPS_CUBEMAP |
                       D3DPTEXTURECAPS_VOLUMEMAP;
    caps.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MINFANISOTROPIC |
                             D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                             D3DPTFILTERCAPS_MAGFLINEAR | D3DPTFILTERCAPS_MAGFANISOTROPIC;
    caps.CubeTextureFilterCaps = caps.VolumeTextureFilterCaps = caps.StretchRectFilterCaps = caps.TextureFilterCaps;
    // Vertex textures are read at explicit levels, where anisotropy is not sent (device_apply.cpp).
    caps.VertexTextureFilterCaps =
        caps.TextureFilterCaps & ~DWORD(D3DPTFILTERCAPS_MINFANISOTROPIC | D3DPTFILTERCAPS_MAGFANISOTROPIC);
    caps.TextureAddressCaps = caps.VolumeTextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR |
                                                              D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_BORDER |
                                                              D3DPTADDRESSCAPS_MIRRORONCE;
    caps.MaxTextureWidth = caps.MaxTextureHeight = DWORD(info.maxTextureSize);
    caps.MaxVolumeExtent = DWORD(info.max3DTextureSize);
    caps.MaxTextureRepeat = 8192;
    caps.MaxTextureAspectRatio = DWORD(info.maxTextureSize);
    caps.MaxAnisotropy = DWORD(info.maxAnisotropy);
    caps.MaxVertexW = 1e10f;
    caps.GuardBandLeft = caps.GuardBandTop = -32768.0f;
    caps.GuardBandRight = caps.GuardBandBottom = 32768.0f;
    caps.StencilCaps = 0x1FF;
    caps.FVFCaps = 8;
    caps.TextureOpCaps = 0x03FFFFFF;
    caps.MaxTextureBlendStages = caps.MaxSimultaneousTextures = 8;
    caps.MaxActiveLights = 8;
    caps.MaxUserClipPlanes = 6;
    caps.MaxPointSize = 256.0f;
    caps.MaxPrimitiveCount = 0xFFFFFF;
    caps.MaxVertexIndex = 0xFFFFFF;
    caps.MaxStreams = 16;
    caps.MaxStreamStride = 255;
    caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
    caps.MaxVertexShaderConst = 256;
    caps.PixelShaderVersion = D3DPS_VERSION(3, 0);
    caps.PixelShader1xMaxValue = 65504.0f;
    caps.DevCaps2 = D3DDEVCAPS2_STREAMOFFSET | D3DDEVCAPS2_CAN_STRETCHRECT_FROM_TEXTURES |
                    D3DDEVCAPS2_VERTEXELEMENTSCANSHARESTREAMOFFSET;
    caps.NumberOfAdaptersInGroup = 1;
    caps.DeclTypes = 0x3FF;
    caps.NumSimultaneousRTs = 4;
    caps.VS20Caps = {1, 24, 32, 4};
    caps.PS20Caps = {0x1F, 24, 32, 4, 512};
    caps.MaxVShaderInstructionsExecuted = caps.MaxPShaderInstructionsExecuted = 65535;
    caps.MaxVertexShader30InstructionSlots = caps.MaxPixelShader30InstructionSlots = 32768;
    return caps;
}

std::vector<D3DSimAdapter> currentAdapters() {
    if (!injected().empty()) return injected();
    VideoSubsystem video;
    int displays = video.ok() ? SDL_GetNumVideoDisplays() : 0;
    std::vector<D3DSimAdapter> adapters;
    for (int i = 0; i < (displays > 0 ? displays : 1); ++i) {
        D3DSimAdapter adapter = d3dsimDefaultAdapter();
        if (video.ok()) adapter.modes = displayModes(i);
        adapter.caps.AdapterOrdinal = UINT(i);
        adapter.caps.MasterAdapterOrdinal = UINT(i);
        adapters.push_back(adapter);
    }
    return adapters;
}

}  // namespace d3d9gl

using namespace d3d9gl;

D3DSimAdapter d3dsimDefaultAdapter() {
    const GLInfo& info = glInfo();
    D3DSimAdapter adapter;
    copyText(adapter.identifier.Driver, sizeof adapter.identifier.Driver, "OpenGL " + info.version);
    copyText(adapter.identifier.Description, sizeof adapter.identifier.Description,
        info.vendor + " " + info.renderer);
    copyText(adapter.identifier.DeviceName, sizeof adapter.identifier.DeviceName, "\\\\.\\DISPLAY1");
    adapter.identifier.VendorId = vendorId(info);
    {
        VideoSubsystem video;
        adapter.modes = video.ok() ? displayModes(0) : std::vector<D3DDISPLAYMODE>{};
    }
    adapter.caps = defaultCaps();
    adapter.textureMemory = info.textureMemory ? info.textureMemory : machineMemory();
    for (int samples = 2; samples <= info.maxSamples && samples <= 16; samples *= 2)
        adapter.multiSampleTypes.push_back(D3DMULTISAMPLE_TYPE(samples));
    return adapter;
}

void d3dsimSetAdapters(const std::vector<D3DSimAdapter>& adapters) { injected() = adapters; }
void d3dsimFailDirect3DCreate(bool fail) { simSettings().failDirect3DCreate = fail; }
void d3dsimFailCreateDevice(bool fail) { simSettings().failCreateDevice = fail; }
void d3dsimFailVertexBuffers(unsigned count) { simSettings().failVertexBuffers = count; }
void d3dsimSetStrictReset(bool strict) { simSettings().strictReset = strict; }
void d3dsimFailAutoDepthStencil(bool fail) { simSettings().failAutoDepth = fail; }
void d3dsimEnableGLChecks(bool enable) { simSettings().glChecks = enable; }

namespace {
unsigned g_glErrors = 0;
}

unsigned d3dsimTakeGLErrors() {
    unsigned count = g_glErrors;
    g_glErrors = 0;
    return count;
}

namespace d3d9gl {

SimSettings& simSettings() {
    static SimSettings settings;
    return settings;
}

void countGLError(const char* message) {
    ++g_glErrors;
    std::fprintf(stderr, "GL error in the Direct3D layer: %s\n", message ? message : "");
}

}  // namespace d3d9gl
