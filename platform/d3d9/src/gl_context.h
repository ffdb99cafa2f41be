#pragma once
// The GL context of one device, with the SDL window it draws through. Shared by the device and
// every object it creates, so GL names stay valid until the last of them is gone.

#include <epoxy/gl.h>

#include <memory>
#include <set>
#include <string>

#include "d3d9.h"
#include "framebuffers.h"

struct SDL_Window;

namespace d3d9gl {

// Keeps SDL's video subsystem up while any Direct3D object or device lives.
class VideoSubsystem {
public:
    VideoSubsystem();
    ~VideoSubsystem();
    VideoSubsystem(const VideoSubsystem&) = delete;
    VideoSubsystem& operator=(const VideoSubsystem&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_;
};

// A default-pool object whose pixels a device reset throws away.
class LosesContents {
public:
    virtual void contentsLost() = 0;

protected:
    ~LosesContents() = default;
};

class GLContext {
public:
    // A context on `window` when given (and GL-capable), else on a hidden window of our own.
    static std::shared_ptr<GLContext> create(SDL_Window* window, bool debug, std::string* error);
    ~GLContext();
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;

    void makeCurrent();
    // Draws into another window with the same context (additional swap chains); back with makeCurrent.
    bool makeCurrentOn(SDL_Window* window);
    SDL_Window* window() const { return window_; }
    bool ownsWindow() const { return ownWindow_; }

    IDirect3DDevice9* device = nullptr;  // not owned; null once the device is gone
    unsigned defaultPoolObjects = 0;     // default-pool resources and additional swap chains alive
    FramebufferCache framebuffers;
    std::set<LosesContents*> defaultPoolContents;
    // Vertex and index buffers deleted so far: their names may come back on new buffers.
    unsigned buffersDeleted = 0;
    // Deletes a texture and the cached framebuffers that show it.
    void deleteTexture(GLuint name);

private:
    GLContext() = default;
    VideoSubsystem video_;  // first in, last out: SDL outlives the window and the context
    SDL_Window* window_ = nullptr;
    bool ownWindow_ = false;
    void* context_ = nullptr;
};

// A resource's hold on the context: counts default-pool objects for strict resets.
class ContextRef {
public:
    ContextRef(std::shared_ptr<GLContext> context, bool defaultPool)
        : context_(std::move(context)), counted_(defaultPool) {
        if (counted_) ++context_->defaultPoolObjects;
    }
    ~ContextRef() {
        if (counted_) --context_->defaultPoolObjects;
    }
    ContextRef(const ContextRef&) = delete;
    ContextRef& operator=(const ContextRef&) = delete;
    GLContext& operator*() const { return *context_; }
    GLContext* operator->() const { return context_.get(); }
    const std::shared_ptr<GLContext>& shared() const { return context_; }
    // Answers the device with a reference, or fails once the device is gone.
    HRESULT getDevice(IDirect3DDevice9** device) const;

private:
    std::shared_ptr<GLContext> context_;
    bool counted_;
};

// Process-wide test settings (d3d9sim.h).
struct SimSettings {
    bool failDirect3DCreate = false;
    bool failCreateDevice = false;
    unsigned failVertexBuffers = 0;
    bool strictReset = false;
    bool failAutoDepth = false;
#ifdef NDEBUG
    bool glChecks = false;
#else
    bool glChecks = true;
#endif
};
SimSettings& simSettings();
// Anisotropic filtering is core only from GL 4.6.
inline bool hasAnisotropicFiltering() {
    return epoxy_gl_version() >= 46 || epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic") ||
           epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic");
}
void countGLError(const char* message);


}  // namespace d3d9gl
