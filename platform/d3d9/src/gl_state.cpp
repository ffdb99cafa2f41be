#include "gl_state.h"

namespace d3d9gl {

namespace {

constexpr GLenum kCapabilityNames[kCapabilities] = {GL_BLEND, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_CULL_FACE,
    GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT, GL_SCISSOR_TEST};

}  // namespace

void GLState::enable(Capability cap, bool on) {
    if (!differs(caps_[cap], on)) return;
    if (on) glEnable(kCapabilityNames[cap]);
    else glDisable(kCapabilityNames[cap]);
}

void GLState::blendFunc(GLenum src, GLenum dst, GLenum srcAlpha, GLenum dstAlpha) {
    if (differs(blendFunc_, {src, dst, srcAlpha, dstAlpha})) glBlendFuncSeparate(src, dst, srcAlpha, dstAlpha);
}

void GLState::blendEquation(GLenum op, GLenum opAlpha) {
    if (differs(blendEquation_, {op, opAlpha})) glBlendEquationSeparate(op, opAlpha);
}

void GLState::blendColor(uint32_t argb) {
    if (!differs(blendColor_, argb)) return;
    glBlendColor(float((argb >> 16) & 0xFF) / 255.0f, float((argb >> 8) & 0xFF) / 255.0f, float(argb & 0xFF) / 255.0f,
        float(argb >> 24) / 255.0f);
}

void GLState::depthFunc(GLenum func) {
    if (differs(depthFunc_, func)) glDepthFunc(func);
}

void GLState::depthMask(bool write) {
    if (differs(depthMask_, write)) glDepthMask(write ? GL_TRUE : GL_FALSE);
}

void GLState::stencilSide(unsigned face, const StencilSide& side) {
    const std::optional<StencilSide> was = stencil_[face];
    if (!differs(stencil_[face], side)) return;
    const GLenum glFace = face == 0 ? GL_FRONT : GL_BACK;
    if (!was || was->func != side.func || was->ref != side.ref || was->mask != side.mask)
        glStencilFuncSeparate(glFace, side.func, side.ref, side.mask);
    if (!was || was->fail != side.fail || was->zfail != side.zfail || was->pass != side.pass)
        glStencilOpSeparate(glFace, side.fail, side.zfail, side.pass);
}

void GLState::stencilMask(GLuint mask) {
    if (differs(stencilMask_, mask)) glStencilMask(mask);
}

void GLState::frontFace(GLenum face) {
    if (differs(frontFace_, face)) glFrontFace(face);
}

void GLState::cullFace(GLenum face) {
    if (differs(cullFace_, face)) glCullFace(face);
}

void GLState::polygonMode(GLenum mode) {
    if (differs(polygonMode_, mode)) glPolygonMode(GL_FRONT_AND_BACK, mode);
}

void GLState::polygonOffset(float slope, float units) {
    if (differs(polygonOffset_, {slope, units})) glPolygonOffset(slope, units);
}

void GLState::colorMask(unsigned target, unsigned rgba) {
    if (differs(colorMask_[target], rgba))
        glColorMaski(target, (rgba & 1) != 0, (rgba & 2) != 0, (rgba & 4) != 0, (rgba & 8) != 0);
}

void GLState::scissor(const GLRect& rect) {
    if (differs(scissor_, rect)) glScissor(rect.x, rect.y, rect.width, rect.height);
}

void GLState::viewport(const GLRect& rect) {
    if (differs(viewport_, rect)) glViewport(rect.x, rect.y, rect.width, rect.height);
}

void GLState::depthRange(float nearZ, float farZ) {
    if (differs(depthRange_, {nearZ, farZ})) glDepthRangef(nearZ, farZ);
}

void GLState::stages(GLuint pipeline, GLuint vertexProgram, GLuint pixelProgram) {
    if (differs(vertexProgram_, vertexProgram)) glUseProgramStages(pipeline, GL_VERTEX_SHADER_BIT, vertexProgram);
    if (differs(pixelProgram_, pixelProgram)) glUseProgramStages(pipeline, GL_FRAGMENT_SHADER_BIT, pixelProgram);
}

void GLState::sampler(unsigned unit, GLuint sampler, const SamplerParameters& p) {
    const std::optional<SamplerParameters> was = samplers_[unit];
    if (!differs(samplers_[unit], p)) return;
    auto changed = [&](auto member) { return !was || (*was).*member != p.*member; };
    if (changed(&SamplerParameters::wrapS)) glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, p.wrapS);
    if (changed(&SamplerParameters::wrapT)) glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, p.wrapT);
    if (changed(&SamplerParameters::wrapR)) glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, p.wrapR);
    if (changed(&SamplerParameters::border)) {
        const uint32_t c = p.border;
        const float border[4] = {float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f,
            float(c & 0xFF) / 255.0f, float(c >> 24) / 255.0f};
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border);
    }
    if (changed(&SamplerParameters::mag)) glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, p.mag);
    if (changed(&SamplerParameters::min)) glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, p.min);
    if (p.anisotropy > 0.0f && changed(&SamplerParameters::anisotropy))
        glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY, p.anisotropy);
    if (changed(&SamplerParameters::lodBias)) glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, p.lodBias);
    if (changed(&SamplerParameters::minLod)) glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, p.minLod);
}

void VertexArrayState::format(GLuint location, const AttribFormat& f) {
    if (differs(formats_[location], f)) glVertexArrayAttribFormat(vao_, location, f.size, f.type, f.normalized, f.offset);
}

void VertexArrayState::binding(GLuint location, GLuint stream) {
    if (differs(bindings_[location], stream)) glVertexArrayAttribBinding(vao_, location, stream);
}

void VertexArrayState::enabled(uint32_t locations) {
    for (uint32_t send = ((locations ^ enabled_) | ~enabledKnown_) & ((1u << kLocations) - 1); send; send &= send - 1) {
        const GLuint location = GLuint(__builtin_ctz(send));
        if (locations & (1u << location)) glEnableVertexArrayAttrib(vao_, location);
        else glDisableVertexArrayAttrib(vao_, location);
    }
    enabled_ = locations;
    enabledKnown_ = ~0u;
}

void VertexArrayState::stream(GLuint stream, const StreamBinding& b) {
    if (differs(streams_[stream], b)) glVertexArrayVertexBuffer(vao_, stream, b.buffer, b.offset, b.stride);
}

void VertexArrayState::divisor(GLuint stream, GLuint divisor) {
    if (differs(divisors_[stream], divisor)) glVertexArrayBindingDivisor(vao_, stream, divisor);
}

void VertexArrayState::elements(GLuint buffer) {
    if (differs(elements_, buffer)) glVertexArrayElementBuffer(vao_, buffer);
}

}  // namespace d3d9gl
