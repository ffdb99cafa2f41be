#include "gl_context.h"

#include <SDL2/SDL.h>

#include <cstdio>

namespace d3d9gl {

namespace {

void GLAPIENTRY onDebugMessage(GLenum, GLenum type, GLuint, GLenum severity, GLsizei, const GLchar* message,
    const void*) {
    if (type == GL_DEBUG_TYPE_ERROR || severity == GL_DEBUG_SEVERITY_HIGH) countGLError(message);
}

void setContextAttributes(bool debug) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, debug ? SDL_GL_CONTEXT_DEBUG_FLAG : 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

}  // namespace

std::shared_ptr<GLContext> GLContext::create(SDL_Window* window, bool debug, std::string* error) {
    std::shared_ptr<GLContext> result(new GLContext());
    setContextAttributes(debug);
    if (window && (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL)) {
        result->window_ = window;
        result->context_ = SDL_GL_CreateContext(window);
    }
    if (!result->context_) {
        result->window_ = SDL_CreateWindow("Direct3D device", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 16,
            16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!result->window_) {
            if (error) *error = SDL_GetError();
            return nullptr;
        }
        result->ownWindow_ = true;
        result->context_ = SDL_GL_CreateContext(result->window_);
    }
    if (!result->context_) {
        if (error) *error = SDL_GetError();
        return nullptr;
    }
    result->makeCurrent();
    if (epoxy_gl_version() < 45) {
        if (error) *error = "OpenGL 4.5 is not available";
        return nullptr;
    }
    if (debug) {
        glEnable(GL_DEBUG_OUTPUT);
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
        glDebugMessageCallback(onDebugMessage, nullptr);
    }
    return result;
}

GLContext::~GLContext() {
    if (context_) {
        if (SDL_GL_GetCurrentContext() == context_) SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
    }
    if (ownWindow_ && window_) SDL_DestroyWindow(window_);
}

void GLContext::makeCurrent() {
    if (SDL_GL_GetCurrentContext() != context_ || SDL_GL_GetCurrentWindow() != window_)
        SDL_GL_MakeCurrent(window_, context_);
}

void GLContext::deleteTexture(GLuint name) {
    if (!name) return;
    makeCurrent();
    framebuffers.forget(name);
    glDeleteTextures(1, &name);
}

bool GLContext::makeCurrentOn(SDL_Window* window) {
    return window && SDL_GL_MakeCurrent(window, context_) == 0;
}

HRESULT ContextRef::getDevice(IDirect3DDevice9** device) const {
    if (!device) return D3DERR_INVALIDCALL;
    *device = context_->device;
    if (!*device) return D3DERR_INVALIDCALL;
    (*device)->AddRef();
    return D3D_OK;
}

VideoSubsystem::VideoSubsystem() : ok_(SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {}

VideoSubsystem::~VideoSubsystem() {
    if (ok_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace d3d9gl
