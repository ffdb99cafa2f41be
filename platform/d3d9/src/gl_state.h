#pragma once
// What the device last sent to GL, kept so that a draw sends only the calls whose values differ.
// Every GL state call of the device goes through here; whatever can make a kept value wrong
// (a reset, a buffer name deleted and reused) forgets it, and an unknown value is always sent.

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <optional>

namespace d3d9gl {

// True when `now` differs from the kept value or none is kept; then `now` is kept.
template <class T>
bool differs(std::optional<T>& kept, const T& now) {
    if (kept == now) return false;
    kept = now;
    return true;
}

enum Capability : unsigned {
    kCapBlend,
    kCapDepthTest,
    kCapStencilTest,
    kCapCullFace,
    kCapOffsetFill,
    kCapOffsetLine,
    kCapOffsetPoint,
    kCapScissorTest,
    kCapabilities
};

struct StencilSide {
    GLenum func, fail, zfail, pass;
    GLint ref;
    GLuint mask;
    bool operator==(const StencilSide&) const = default;
};

struct GLRect {
    GLint x, y;
    GLsizei width, height;
    bool operator==(const GLRect&) const = default;
};

// A sampler object's parameters as the device sets them.
struct SamplerParameters {
    GLint wrapS, wrapT, wrapR;
    uint32_t border;  // A8R8G8B8
    GLint mag, min;
    float anisotropy;  // 0: not set (no anisotropic filtering in GL)
    float lodBias, minLod;
    bool operator==(const SamplerParameters&) const = default;
};

class GLState {
public:
    static constexpr unsigned kSamplerSlots = 20;
    void forget() { *this = GLState{}; }

    void enable(Capability cap, bool on);
    void blendFunc(GLenum src, GLenum dst, GLenum srcAlpha, GLenum dstAlpha);
    void blendEquation(GLenum op, GLenum opAlpha);
    void blendColor(uint32_t argb);
    void depthFunc(GLenum func);
    void depthMask(bool write);
    // face: 0 front, 1 back.
    void stencilSide(unsigned face, const StencilSide& side);
    void stencilMask(GLuint mask);
    void frontFace(GLenum face);
    void cullFace(GLenum face);
    void polygonMode(GLenum mode);
    void polygonOffset(float slope, float units);
    // Red, green, blue, alpha in bits 0..3.
    void colorMask(unsigned target, unsigned rgba);
    void scissor(const GLRect& rect);
    void viewport(const GLRect& rect);
    void depthRange(float nearZ, float farZ);
    void stages(GLuint pipeline, GLuint vertexProgram, GLuint pixelProgram);
    void sampler(unsigned unit, GLuint sampler, const SamplerParameters& parameters);
    // A small uniform block's contents, uploaded when they differ.
    template <class Block>
    void block(std::optional<Block>& kept, GLuint buffer, const Block& now) {
        if (differs(kept, now)) glNamedBufferSubData(buffer, 0, sizeof now, &now);
    }

private:
    std::array<std::optional<bool>, kCapabilities> caps_;
    std::optional<std::array<GLenum, 4>> blendFunc_;
    std::optional<std::array<GLenum, 2>> blendEquation_;
    std::optional<uint32_t> blendColor_;
    std::optional<GLenum> depthFunc_;
    std::optional<bool> depthMask_;
    std::array<std::optional<StencilSide>, 2> stencil_;
    std::optional<GLuint> stencilMask_;
    std::optional<GLenum> frontFace_, cullFace_, polygonMode_;
    std::optional<std::array<float, 2>> polygonOffset_;
    std::array<std::optional<unsigned>, 4> colorMask_;
    std::optional<GLRect> scissor_, viewport_;
    std::optional<std::array<float, 2>> depthRange_;
    std::optional<GLuint> vertexProgram_, pixelProgram_;
    std::array<std::optional<SamplerParameters>, kSamplerSlots> samplers_;
};

struct AttribFormat {
    GLint size;
    GLenum type;
    GLboolean normalized;
    GLuint offset;
    bool operator==(const AttribFormat&) const = default;
};

struct StreamBinding {
    GLuint buffer;
    GLintptr offset;
    GLsizei stride;
    bool operator==(const StreamBinding&) const = default;
};

// The device's vertex array object as last set.
class VertexArrayState {
public:
    static constexpr unsigned kLocations = 16, kBindings = 16;
    explicit VertexArrayState(GLuint vao = 0) : vao_(vao) {}
    void forget() { *this = VertexArrayState(vao_); }
    // A deleted buffer leaves the array's bindings of it at zero and its name free for reuse.
    void forgetBuffers() {
        streams_ = {};
        elements_.reset();
    }

    void format(GLuint location, const AttribFormat& format);
    void binding(GLuint location, GLuint stream);
    void enabled(uint32_t locations);
    void stream(GLuint stream, const StreamBinding& binding);
    void divisor(GLuint stream, GLuint divisor);
    void elements(GLuint buffer);

private:
    GLuint vao_;
    std::array<std::optional<AttribFormat>, kLocations> formats_;
    std::array<std::optional<GLuint>, kLocations> bindings_;
    uint32_t enabled_ = 0, enabledKnown_ = 0;
    std::array<std::optional<StreamBinding>, kBindings> streams_;
    std::array<std::optional<GLuint>, kBindings> divisors_;
    std::optional<GLuint> elements_;
};

}  // namespace d3d9gl
