#pragma once
// Counts the GL calls the device makes by wrapping epoxy's dispatch pointers with the driver's
// own entry points behind them. Install with the device's context current; one at a time.

#include <SDL2/SDL.h>
#include <epoxy/gl.h>

#include <array>
#include <cstring>

namespace gl_calls {

// The state, vertex-input, upload and draw calls of a draw.
#define D3D9_COUNTED_GL(X)                                                                                    \
    X(glEnable) X(glDisable) X(glBlendFuncSeparate) X(glBlendEquationSeparate) X(glBlendColor) X(glDepthFunc) \
    X(glDepthMask) X(glStencilFuncSeparate) X(glStencilOpSeparate) X(glStencilMask) X(glFrontFace)            \
    X(glCullFace) X(glPolygonMode) X(glPolygonOffset) X(glColorMaski) X(glColorMask) X(glScissor)             \
    X(glViewport) X(glDepthRangef) X(glNamedBufferSubData) X(glNamedBufferData) X(glVertexArrayAttribFormat)  \
    X(glVertexArrayAttribBinding) X(glEnableVertexArrayAttrib) X(glDisableVertexArrayAttrib)                  \
    X(glVertexArrayVertexBuffer) X(glVertexArrayBindingDivisor) X(glVertexArrayElementBuffer)                 \
    X(glUseProgramStages) X(glBindFramebuffer) X(glBindTextureUnit) X(glSamplerParameteri)                    \
    X(glSamplerParameterf) X(glSamplerParameterfv) X(glDrawArrays) X(glDrawElements)                          \
    X(glDrawElementsInstancedBaseVertex)

enum Name {
#define D3D9_GL_NAME(name) k_##name,
    D3D9_COUNTED_GL(D3D9_GL_NAME)
#undef D3D9_GL_NAME
        kNames
};

inline std::array<unsigned, kNames> counts{};

template <class F, Name N>
struct Counted;

template <class R, class... A, Name N>
struct Counted<R (*)(A...), N> {
    template <R (**Original)(A...)>
    static R call(A... args) {
        ++counts[N];
        return (*Original)(args...);
    }
};

#define D3D9_GL_ORIGINAL(name)                               \
    inline decltype(epoxy_##name) original_##name = nullptr; \
    inline decltype(epoxy_##name) replaced_##name = nullptr;
D3D9_COUNTED_GL(D3D9_GL_ORIGINAL)
#undef D3D9_GL_ORIGINAL

class Counter {
public:
    Counter() {
#define D3D9_GL_INSTALL(name)                                                                            \
    original_##name = reinterpret_cast<decltype(epoxy_##name)>(SDL_GL_GetProcAddress(#name));             \
    if (original_##name) {                                                                                \
        replaced_##name = epoxy_##name;                                                                   \
        epoxy_##name = &Counted<decltype(epoxy_##name), k_##name>::template call<&original_##name>;      \
    }
        D3D9_COUNTED_GL(D3D9_GL_INSTALL)
#undef D3D9_GL_INSTALL
        reset();
    }
    ~Counter() {
#define D3D9_GL_RESTORE(name)                 \
    if (original_##name) {                    \
        epoxy_##name = replaced_##name;       \
        original_##name = nullptr;            \
    }
        D3D9_COUNTED_GL(D3D9_GL_RESTORE)
#undef D3D9_GL_RESTORE
    }
    Counter(const Counter&) = delete;
    Counter& operator=(const Counter&) = delete;

    void reset() { counts.fill(0); }
    unsigned of(Name name) const { return counts[name]; }
    unsigned total() const {
        unsigned sum = 0;
        for (unsigned c : counts) sum += c;
        return sum;
    }
    // Everything but the draws themselves.
    unsigned beyondDraws() const {
        return total() - of(k_glDrawArrays) - of(k_glDrawElements) - of(k_glDrawElementsInstancedBaseVertex);
    }
};

}  // namespace gl_calls
