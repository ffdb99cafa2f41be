// Device creation, presentation, loss and reset.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

#include "device.h"
#include "direct3d.h"
#include "sdl_window_bridge.h"
#include "swapchain.h"

// The window layer may not be linked in (tools and tests without windows).
__attribute__((weak)) SDL_Window* tormakelinGetSDLWindow(HWND window);
__attribute__((weak)) void tormakelinFocusWindow(HWND window);

namespace d3d9gl {

namespace {

SDL_Window* sdlWindowOf(HWND window) {
    if (!window || !&tormakelinGetSDLWindow) return nullptr;
    return tormakelinGetSDLWindow(window);
}

void identityRamp(D3DGAMMARAMP& ramp) {
    for (int i = 0; i < 256; ++i) ramp.red[i] = ramp.green[i] = ramp.blue[i] = WORD(i * 257);
}

// Whole MiB of the adapter's memory, at most what the answer's 32 bits hold.
UINT reportedTextureMemory(const D3DSimAdapter* adapter) {
    constexpr uint64_t kMiB = uint64_t{1} << 20, kMost = uint64_t{0xFFFFFFFFu} / kMiB * kMiB;
    return adapter ? UINT(std::min(adapter->textureMemory / kMiB * kMiB, kMost)) : 0;
}

}  // namespace

Device* asDevice(IDirect3DDevice9* device) { return ours<Device>(device); }

Device::Device(Direct3D* direct3D, const D3DDEVICE_CREATION_PARAMETERS& creation, const D3DCAPS9& caps)
    : direct3D_(direct3D), creation_(creation), caps_(caps),
      textureMemory_(reportedTextureMemory(direct3D->adapter(creation.AdapterOrdinal))) {
    direct3D_->AddRef();
    identityRamp(gamma_);
}

HRESULT Device::create(Direct3D* direct3D, const D3DDEVICE_CREATION_PARAMETERS& creation, const D3DCAPS9& caps,
    D3DPRESENT_PARAMETERS& parameters, IDirect3DDevice9** device) {
    auto* result = new Device(direct3D, creation, caps);
    HRESULT hr = result->initialize(parameters);
    if (FAILED(hr)) {
        result->Release();
        return hr;
    }
    *device = result;
    return D3D_OK;
}

HRESULT Device::initialize(D3DPRESENT_PARAMETERS& parameters) {
    if (!video_.ok()) return D3DERR_NOTAVAILABLE;
    HWND hwnd = parameters.hDeviceWindow ? parameters.hDeviceWindow : creation_.hFocusWindow;
    context_ = GLContext::create(sdlWindowOf(hwnd), simSettings().glChecks, nullptr);
    if (!context_) return D3DERR_NOTAVAILABLE;
    context_->device = this;
    if (!fillPresentParameters(parameters)) return D3DERR_INVALIDCALL;
    parameters_ = parameters;
    initGLObjects();
    HRESULT hr = createImplicitSurfaces(parameters_, backBuffer_, autoDepth_);
    if (FAILED(hr)) return hr;
    implicitChain_ = new SwapChain(this, backBuffer_, parameters_, context_->ownsWindow() ? nullptr : context_->window(),
        false);
    SDL_GL_SetSwapInterval(parameters_.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    setDefaultStates();
    return applyWindowMode() ? D3D_OK : D3DERR_NOTAVAILABLE;
}

bool Device::applyWindowMode() {
    if (context_->ownsWindow()) return true;  // drawn off screen: no window of the caller's to cover
    if (parameters_.Windowed) {
        fullscreen_.leave();
        return true;
    }
    // Adapters are the displays in order (adapters.cpp).
    if (!fullscreen_.enter(context_->window(), int(creation_.AdapterOrdinal), int(parameters_.BackBufferWidth),
            int(parameters_.BackBufferHeight), int(parameters_.FullScreen_RefreshRateInHz)))
        return false;
    HWND window = parameters_.hDeviceWindow ? parameters_.hDeviceWindow : creation_.hFocusWindow;
    if (&tormakelinFocusWindow) tormakelinFocusWindow(window);
    return true;
}

bool Device::fillPresentParameters(D3DPRESENT_PARAMETERS& p) const {
    if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) {
        int w = 640, h = 480;
        if (!context_->ownsWindow()) SDL_GL_GetDrawableSize(context_->window(), &w, &h);
        if (p.BackBufferWidth == 0) p.BackBufferWidth = UINT(std::max(w, 1));
        if (p.BackBufferHeight == 0) p.BackBufferHeight = UINT(std::max(h, 1));
    }
    if (p.BackBufferFormat == D3DFMT_UNKNOWN) p.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (p.BackBufferCount == 0) p.BackBufferCount = 1;
    const FormatInfo* color = formatInfo(p.BackBufferFormat);
    if (!color || !color->renderable) return false;
    if (p.EnableAutoDepthStencil) {
        const FormatInfo* depth = formatInfo(p.AutoDepthStencilFormat);
        if (!depth || !depth->depth) return false;
    }
    return p.BackBufferWidth <= 16384 && p.BackBufferHeight <= 16384;
}

void Device::initGLObjects() {
    anisotropy_ = hasAnisotropicFiltering();
    glCreateVertexArrays(1, &vao_);
    vertexArray_ = VertexArrayState(vao_);
    glCreateProgramPipelines(1, &pipeline_);
    auto makeBlock = [](GLuint& name, GLsizeiptr size) {
        glCreateBuffers(1, &name);
        glNamedBufferData(name, size, nullptr, GL_DYNAMIC_DRAW);
    };
    makeBlock(vsConstants_, GLsizeiptr{D3DGL_VS_CONSTANT_REGISTERS} * 16);
    makeBlock(psConstants_, GLsizeiptr{D3DGL_PS_CONSTANT_REGISTERS} * 16);
    makeBlock(deviceBlock_, 16);
    makeBlock(alphaBlock_, 48);
    glCreateBuffers(1, &streamVertices_);
    glCreateBuffers(1, &streamIndices_);
    glCreateSamplers(GLsizei(samplers_.size()), samplers_.data());
    bindDeviceObjects();
    defaultPixelProgram_ = compileSeparable(GL_FRAGMENT_SHADER,
        withAlphaTest("#version 450 core\nlayout(location = 0) out vec4 d3dgl_color;\n"
                      "void main() { d3dgl_color = vec4(1.0); }\n"),
        nullptr);
}

// What the device binds once and every draw relies on; sent again when GL may have been changed.
void Device::bindDeviceObjects() {
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    // Pixels move between GL and tightly packed client memory.
    static const GLenum packing[] = {GL_PACK_ROW_LENGTH, GL_PACK_IMAGE_HEIGHT, GL_PACK_SKIP_PIXELS,
        GL_PACK_SKIP_ROWS, GL_PACK_SKIP_IMAGES, GL_PACK_SWAP_BYTES, GL_PACK_LSB_FIRST, GL_UNPACK_ROW_LENGTH,
        GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_IMAGES,
        GL_UNPACK_SWAP_BYTES, GL_UNPACK_LSB_FIRST};
    for (GLenum name : packing) glPixelStorei(name, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glBindVertexArray(vao_);
    glUseProgram(0);  // a current program would stand in for the pipeline
    glBindProgramPipeline(pipeline_);
    glBindBufferBase(GL_UNIFORM_BUFFER, D3DGL_VS_CONSTANTS, vsConstants_);
    glBindBufferBase(GL_UNIFORM_BUFFER, D3DGL_PS_CONSTANTS, psConstants_);
    glBindBufferBase(GL_UNIFORM_BUFFER, D3DGL_DEVICE_BLOCK, deviceBlock_);
    glBindBufferBase(GL_UNIFORM_BUFFER, D3DGL_ALPHA_TEST_BLOCK, alphaBlock_);
    glBindSamplers(0, GLsizei(samplers_.size()), samplers_.data());
}

HRESULT Device::createImplicitSurfaces(const D3DPRESENT_PARAMETERS& p, Surface*& back, Surface*& depth) {
    back = depth = nullptr;
    D3DSURFACE_DESC color{p.BackBufferFormat, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
        p.MultiSampleType, p.MultiSampleQuality, p.BackBufferWidth, p.BackBufferHeight};
    back = Surface::createStandalone(context_, color, false);
    if (!back) return D3DERR_NOTAVAILABLE;
    if (p.EnableAutoDepthStencil) {
        D3DSURFACE_DESC depthDesc = color;
        depthDesc.Format = p.AutoDepthStencilFormat;
        depthDesc.Usage = D3DUSAGE_DEPTHSTENCIL;
        depth = simSettings().failAutoDepth ? nullptr : Surface::createStandalone(context_, depthDesc, false);
        if (!depth) {
            safeRelease(back);
            return D3DERR_NOTAVAILABLE;
        }
    }
    return D3D_OK;
}

Device::~Device() {
    if (context_) {
        context_->makeCurrent();
        releaseBindings();
        for (auto& entry : fvfDeclarations_) entry.second->Release();
        for (SwapChain* chain : additionalChains_) chain->deviceGone();
        if (implicitChain_) {
            implicitChain_->deviceGone();
            implicitChain_->Release();
        }
        safeRelease(backBuffer_);
        safeRelease(autoDepth_);
        glBindProgramPipeline(0);
        glBindVertexArray(0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteVertexArrays(1, &vao_);
        context_->framebuffers.clear();
        glDeleteProgramPipelines(1, &pipeline_);
        GLuint buffers[] = {vsConstants_, psConstants_, deviceBlock_, alphaBlock_, streamVertices_, streamIndices_};
        glDeleteBuffers(6, buffers);
        glDeleteSamplers(GLsizei(samplers_.size()), samplers_.data());
        if (defaultPixelProgram_) glDeleteProgram(defaultPixelProgram_);
        context_->deleteTexture(resolveTexture_);
        context_->deleteTexture(stagingTexture_);
        context_->device = nullptr;
        context_.reset();
    }
    direct3D_->Release();
}

HRESULT Device::GetDirect3D(IDirect3D9** direct3D) {
    if (!direct3D) return D3DERR_INVALIDCALL;
    *direct3D = direct3D_;
    direct3D_->AddRef();
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = caps_;
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
    if (swapChain != 0 || !mode) return D3DERR_INVALIDCALL;
    return direct3D_->GetAdapterDisplayMode(creation_.AdapterOrdinal, mode);
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
    if (!parameters) return D3DERR_INVALIDCALL;
    *parameters = creation_;
    return D3D_OK;
}

HRESULT Device::GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* status) {
    if (swapChain != 0 || !status) return D3DERR_INVALIDCALL;
    *status = D3DRASTER_STATUS{FALSE, 0};
    return D3D_OK;
}

// Loss and reset --------------------------------------------------------------------------------

void Device::loseDevice(unsigned lostPolls) {
    loss_ = LossState::Lost;
    lostPolls_ = lostPolls;
}

HRESULT Device::TestCooperativeLevel() {
    switch (loss_) {
    case LossState::Operational: return D3D_OK;
    case LossState::Lost:
        if (lostPolls_ > 0) {
            --lostPolls_;
            return D3DERR_DEVICELOST;
        }
        loss_ = LossState::NotReset;
        return D3DERR_DEVICENOTRESET;
    case LossState::NotReset: return D3DERR_DEVICENOTRESET;
    }
    return D3D_OK;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* parameters) {
    if (!parameters) return D3DERR_INVALIDCALL;
    if (loss_ == LossState::Lost) {
        if (lostPolls_ > 0) return D3DERR_DEVICELOST;
        loss_ = LossState::NotReset;
    }
    context_->makeCurrent();
    D3DPRESENT_PARAMETERS p = *parameters;
    if (simSettings().strictReset && context_->defaultPoolObjects > 0) {
        loss_ = LossState::NotReset;
        return D3DERR_INVALIDCALL;
    }
    if (!fillPresentParameters(p)) {
        loss_ = LossState::NotReset;
        return D3DERR_INVALIDCALL;
    }
    releaseBindings();
    // Default-pool pixels do not survive a reset; managed and system-memory ones do.
    for (LosesContents* object : context_->defaultPoolContents) object->contentsLost();
    if (p.BackBufferFormat != parameters_.BackBufferFormat || p.EnableAutoDepthStencil != parameters_.EnableAutoDepthStencil ||
        p.AutoDepthStencilFormat != parameters_.AutoDepthStencilFormat || p.MultiSampleType != parameters_.MultiSampleType) {
        // The old surfaces stay until the new ones exist: a failed reset keeps the device whole.
        Surface *back = nullptr, *depth = nullptr;
        HRESULT hr = createImplicitSurfaces(p, back, depth);
        if (FAILED(hr)) {
            // Bound to the old surfaces again, the device takes every call until a reset succeeds.
            setDefaultStates();
            loss_ = LossState::NotReset;
            return hr;
        }
        safeRelease(autoDepth_);
        autoDepth_ = depth;
        Surface* oldBack = backBuffer_;
        backBuffer_ = back;
        implicitChain_->deviceGone();
        implicitChain_->Release();
        implicitChain_ = new SwapChain(this, backBuffer_, p, context_->ownsWindow() ? nullptr : context_->window(), false);
        oldBack->Release();
    } else {
        backBuffer_->reallocate(p.BackBufferWidth, p.BackBufferHeight);
        if (autoDepth_) autoDepth_->reallocate(p.BackBufferWidth, p.BackBufferHeight);
    }
    parameters_ = p;
    implicitChain_->setParameters(p);
    *parameters = p;
    SDL_GL_SetSwapInterval(p.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    setDefaultStates();
    inScene_ = false;
    if (!applyWindowMode()) {
        loss_ = LossState::NotReset;
        return D3DERR_NOTAVAILABLE;
    }
    loss_ = LossState::Operational;
    return D3D_OK;
}

// Presentation ----------------------------------------------------------------------------------

void Device::blitToWindow(Surface& source, SDL_Window* window) {
    if (!context_->makeCurrentOn(window)) return;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    const GLuint image = resolved(source);
    const GLuint read = imageFramebuffer(source.samples() ? Attachment{image, 0, -1} : source.attachment(), *source.format());
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    gl_.enable(kCapScissorTest, false);
    for (UINT i = 0; i < kRenderTargets; ++i) gl_.colorMask(i, 0xF);
    const GLint frameWidth = GLint(source.desc().Width), frameHeight = GLint(source.desc().Height);
    SDL_Rect to{0, 0, w, h};
    if (fullscreen_.active() && window == context_->window()) {
        // A display that kept another mode shows the frame whole, in its own shape.
        to = fitKeepingAspect(frameWidth, frameHeight, w, h);
        if (to.w != w || to.h != h) {
            const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
            glClearNamedFramebufferfv(0, GL_COLOR, 0, black);
        }
    }
    // Our rows run top-down; the window's bottom-up.
    glBlitNamedFramebuffer(read, 0, 0, 0, frameWidth, frameHeight, to.x, h - to.y, to.x + to.w, h - to.y - to.h,
        GL_COLOR_BUFFER_BIT, GL_LINEAR);
    SDL_GL_SwapWindow(window);
    context_->makeCurrent();
    dirty_ |= kDirtyScissor | kDirtyColorMask | kDirtyFramebuffer;
}

GLuint Device::resolved(Surface& source) {
    if (source.samples() == 0) return source.glTexture();
    const D3DSURFACE_DESC& d = source.desc();
    if (!resolveTexture_ || resolveDesc_.Width != d.Width || resolveDesc_.Height != d.Height ||
        resolveDesc_.Format != d.Format) {
        context_->deleteTexture(resolveTexture_);
        resolveTexture_ = createStorage(GL_TEXTURE_2D, *source.format(), d.Width, d.Height, 1, 1);
        resolveDesc_ = d;
    }
    gl_.enable(kCapScissorTest, false);
    glBlitNamedFramebuffer(imageFramebuffer(source.attachment(), *source.format()),
        imageFramebuffer(Attachment{resolveTexture_, 0, -1}, *source.format()), 0, 0, GLint(d.Width), GLint(d.Height), 0,
        0, GLint(d.Width), GLint(d.Height), GL_COLOR_BUFFER_BIT, GL_NEAREST);
    dirty_ |= kDirtyScissor;
    return resolveTexture_;
}

HRESULT Device::Present(const RECT*, const RECT*, HWND destWindowOverride, const void*) {
    if (loss_ != LossState::Operational) return D3DERR_DEVICELOST;
    context_->makeCurrent();
    SDL_Window* window = destWindowOverride ? sdlWindowOf(destWindowOverride) : nullptr;
    if (!window && !context_->ownsWindow()) window = context_->window();
    if (window) {
        blitToWindow(*backBuffer_, window);
    } else {
        glFlush();
    }
    return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE, IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (swapChain != 0 || backBuffer >= parameters_.BackBufferCount) return D3DERR_INVALIDCALL;
    *surface = backBuffer_;
    backBuffer_->AddRef();
    return D3D_OK;
}

void Device::SetGammaRamp(UINT swapChain, DWORD, const D3DGAMMARAMP* ramp) {
    if (swapChain != 0 || !ramp) return;
    gamma_ = *ramp;
    if (!context_->ownsWindow() && !parameters_.Windowed)
        SDL_SetWindowGammaRamp(context_->window(), gamma_.red, gamma_.green, gamma_.blue);
}

void Device::GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) {
    if (swapChain == 0 && ramp) *ramp = gamma_;
}

HRESULT Device::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* parameters, IDirect3DSwapChain9** swapChain) {
    if (!swapChain || !parameters) return D3DERR_INVALIDCALL;
    *swapChain = nullptr;
    context_->makeCurrent();
    D3DPRESENT_PARAMETERS p = *parameters;
    SDL_Window* window = sdlWindowOf(p.hDeviceWindow);
    if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) {
        int w = 0, h = 0;
        if (window) SDL_GL_GetDrawableSize(window, &w, &h);
        if (p.BackBufferWidth == 0) p.BackBufferWidth = UINT(std::max(w, 1));
        if (p.BackBufferHeight == 0) p.BackBufferHeight = UINT(std::max(h, 1));
    }
    if (p.BackBufferFormat == D3DFMT_UNKNOWN) p.BackBufferFormat = D3DFMT_X8R8G8B8;
    const FormatInfo* format = formatInfo(p.BackBufferFormat);
    if (!format || !format->renderable) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc{p.BackBufferFormat, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
        D3DMULTISAMPLE_NONE, 0, p.BackBufferWidth, p.BackBufferHeight};
    Surface* back = Surface::createStandalone(context_, desc, false);
    if (!back) return D3DERR_OUTOFVIDEOMEMORY;
    auto* chain = new SwapChain(this, back, p, window, true);
    back->Release();
    additionalChains_.insert(chain);
    *parameters = p;
    *swapChain = chain;
    return D3D_OK;
}

void Device::swapChainDestroyed(SwapChain* chain) { additionalChains_.erase(chain); }

HRESULT Device::GetSwapChain(UINT swapChain, IDirect3DSwapChain9** result) {
    if (!result) return D3DERR_INVALIDCALL;
    *result = nullptr;
    if (swapChain != 0) return D3DERR_INVALIDCALL;
    *result = implicitChain_;
    implicitChain_->AddRef();
    return D3D_OK;
}

// Scenes and clears -----------------------------------------------------------------------------

HRESULT Device::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

namespace {

bool intersect(RECT& r, const RECT& with) {
    r.left = std::max(r.left, with.left);
    r.top = std::max(r.top, with.top);
    r.right = std::min(r.right, with.right);
    r.bottom = std::min(r.bottom, with.bottom);
    return r.left < r.right && r.top < r.bottom;
}

bool validClear(DWORD count, const D3DRECT* rects, DWORD flags) {
    return !(count > 0 && !rects) && !(flags & ~DWORD(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL));
}

// Clear what the target is drawn with; depth or stencil it lacks is no reason to clear nothing.
DWORD clearableFlags(DWORD flags, const Surface* depthSurface) {
    const bool hasStencil = depthSurface && depthSurface->desc().Format == D3DFMT_D24S8;
    if (!depthSurface) flags &= ~DWORD(D3DCLEAR_ZBUFFER);
    if (!hasStencil) flags &= ~DWORD(D3DCLEAR_STENCIL);
    return flags;
}

std::array<float, 4> clearColour(D3DCOLOR color) {
    return {float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f, float(color & 0xFF) / 255.0f,
        float(color >> 24) / 255.0f};
}

void clearTargets(const std::array<Surface*, kRenderTargets>& targets, const std::array<float, 4>& rgba) {
    for (UINT t = 0; t < kRenderTargets; ++t)
        if (targets[t]) {
            glClearBufferfv(GL_COLOR, GLint(t), rgba.data());
            targets[t]->written();
        }
}

void clearDepthStencil(DWORD flags, float z, DWORD stencil) {
    const GLfloat depth = std::clamp(z, 0.0f, 1.0f);
    if ((flags & D3DCLEAR_ZBUFFER) && (flags & D3DCLEAR_STENCIL)) {
        glClearBufferfi(GL_DEPTH_STENCIL, 0, depth, GLint(stencil & 0xFF));
    } else if (flags & D3DCLEAR_ZBUFFER) {
        glClearBufferfv(GL_DEPTH, 0, &depth);
    } else if (flags & D3DCLEAR_STENCIL) {
        const GLint s = GLint(stencil & 0xFF);
        glClearBufferiv(GL_STENCIL, 0, &s);
    }
}

}  // namespace

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
    if (!validClear(count, rects, flags)) return D3DERR_INVALIDCALL;
    context_->makeCurrent();
    if (dirty_ & kDirtyFramebuffer) applyFramebuffer();
    if (!framebufferComplete_) return D3DERR_INVALIDCALL;
    flags = clearableFlags(flags, drawnDepth());
    RECT area{LONG(viewport_.X), LONG(viewport_.Y), LONG(viewport_.X + viewport_.Width),
        LONG(viewport_.Y + viewport_.Height)};
    if (renderStates_[D3DRS_SCISSORTESTENABLE] && !intersect(area, scissor_)) return D3D_OK;
    gl_.enable(kCapScissorTest, true);
    for (UINT i = 0; i < kRenderTargets; ++i) gl_.colorMask(i, 0xF);
    gl_.depthMask(true);
    gl_.stencilMask(0xFF);
    dirty_ |= kDirtyScissor | kDirtyColorMask | kDirtyDepth | kDirtyStencil;
    const std::array<float, 4> rgba = clearColour(color);
    for (DWORD i = 0; i < std::max<DWORD>(count, 1); ++i) {
        RECT r = area;
        if (count > 0 && !intersect(r, RECT{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2})) continue;
        gl_.scissor({r.left, r.top, r.right - r.left, r.bottom - r.top});
        if (flags & D3DCLEAR_TARGET) clearTargets(renderTargets_, rgba);
        clearDepthStencil(flags, z, stencil);
    }
    return D3D_OK;
}

}  // namespace d3d9gl

void d3dsimLoseDevice(IDirect3DDevice9* device, unsigned lostPolls) {
    if (auto* d = d3d9gl::asDevice(device)) d->loseDevice(lostPolls);
}

void d3dsimForgetGLState(IDirect3DDevice9* device) {
    if (auto* d = d3d9gl::asDevice(device)) d->forgetGLState();
}

unsigned d3dsimDefaultPoolObjects(IDirect3DDevice9* device) {
    auto* d = d3d9gl::asDevice(device);
    return d ? d->defaultPoolObjects() : 0;
}
