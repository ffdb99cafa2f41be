// Bringing the kept Direct3D states to GL before a draw.
#include <algorithm>
#include <cstring>

#include "device.h"

namespace d3d9gl {

namespace {

float asFloat(DWORD bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

GLenum blendFactor(DWORD blend) {
    switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return GL_ONE;
    }
}

// The two "both" factors set the destination factor from the source one.
void blendFactors(DWORD src, DWORD dst, GLenum& glSrc, GLenum& glDst) {
    if (src == D3DBLEND_BOTHSRCALPHA) {
        glSrc = GL_SRC_ALPHA;
        glDst = GL_ONE_MINUS_SRC_ALPHA;
    } else if (src == D3DBLEND_BOTHINVSRCALPHA) {
        glSrc = GL_ONE_MINUS_SRC_ALPHA;
        glDst = GL_SRC_ALPHA;
    } else {
        glSrc = blendFactor(src);
        glDst = blendFactor(dst);
    }
}

GLenum blendEquation(DWORD op) {
    switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

GLenum compareFunc(DWORD func) {
    switch (func) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum stencilOp(DWORD op) {
    switch (op) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
    }
}

GLenum addressMode(DWORD mode) {
    switch (mode) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return GL_MIRROR_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
    }
}

GLenum minFilter(DWORD min, DWORD mip) {
    bool linear = min == D3DTEXF_LINEAR || min == D3DTEXF_ANISOTROPIC;
    if (mip == D3DTEXF_NONE) return linear ? GL_LINEAR : GL_NEAREST;
    if (mip == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

// Direct3D's clockwise triangles (front faces) seen through the upper-left origin.
constexpr GLenum kFrontFace = GL_CW;

}  // namespace

void Device::applyBlend() {
    const auto& rs = renderStates_;
    gl_.enable(kCapBlend, rs[D3DRS_ALPHABLENDENABLE] != 0);
    GLenum src, dst, srcAlpha, dstAlpha;
    blendFactors(rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND], src, dst);
    GLenum op = blendEquation(rs[D3DRS_BLENDOP]), opAlpha = op;
    if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
        blendFactors(rs[D3DRS_SRCBLENDALPHA], rs[D3DRS_DESTBLENDALPHA], srcAlpha, dstAlpha);
        opAlpha = blendEquation(rs[D3DRS_BLENDOPALPHA]);
    } else {
        srcAlpha = src;
        dstAlpha = dst;
    }
    gl_.blendFunc(src, dst, srcAlpha, dstAlpha);
    gl_.blendEquation(op, opAlpha);
    gl_.blendColor(rs[D3DRS_BLENDFACTOR]);
}

void Device::applyDepth() {
    gl_.enable(kCapDepthTest, renderStates_[D3DRS_ZENABLE] != D3DZB_FALSE && drawnDepth());
    gl_.depthFunc(compareFunc(renderStates_[D3DRS_ZFUNC]));
    gl_.depthMask(renderStates_[D3DRS_ZWRITEENABLE] != 0);
}

void Device::applyStencil() {
    const auto& rs = renderStates_;
    gl_.enable(kCapStencilTest, rs[D3DRS_STENCILENABLE] && drawnDepth());
    const GLint ref = GLint(rs[D3DRS_STENCILREF] & 0xFF);
    const GLuint mask = rs[D3DRS_STENCILMASK];
    gl_.stencilSide(0, {compareFunc(rs[D3DRS_STENCILFUNC]), stencilOp(rs[D3DRS_STENCILFAIL]),
                           stencilOp(rs[D3DRS_STENCILZFAIL]), stencilOp(rs[D3DRS_STENCILPASS]), ref, mask});
    const bool twoSided = rs[D3DRS_TWOSIDEDSTENCILMODE] != 0;
    gl_.stencilSide(1, {compareFunc(rs[twoSided ? D3DRS_CCW_STENCILFUNC : D3DRS_STENCILFUNC]),
                           stencilOp(rs[twoSided ? D3DRS_CCW_STENCILFAIL : D3DRS_STENCILFAIL]),
                           stencilOp(rs[twoSided ? D3DRS_CCW_STENCILZFAIL : D3DRS_STENCILZFAIL]),
                           stencilOp(rs[twoSided ? D3DRS_CCW_STENCILPASS : D3DRS_STENCILPASS]), ref, mask});
    gl_.stencilMask(rs[D3DRS_STENCILWRITEMASK]);
}

void Device::applyRaster() {
    const auto& rs = renderStates_;
    gl_.frontFace(kFrontFace);
    const DWORD cull = rs[D3DRS_CULLMODE];
    const bool culls = cull == D3DCULL_CW || cull == D3DCULL_CCW;
    gl_.enable(kCapCullFace, culls);
    if (culls) gl_.cullFace(cull == D3DCULL_CW ? GL_FRONT : GL_BACK);
    const DWORD fill = rs[D3DRS_FILLMODE];
    gl_.polygonMode(fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
    const float bias = asFloat(rs[D3DRS_DEPTHBIAS]), slope = asFloat(rs[D3DRS_SLOPESCALEDEPTHBIAS]);
    const bool offset = bias != 0.0f || slope != 0.0f;
    gl_.enable(kCapOffsetFill, offset);
    gl_.enable(kCapOffsetLine, offset);
    gl_.enable(kCapOffsetPoint, offset);
    // Direct3D's bias is in depth units; GL's in steps of the 24-bit depth buffer.
    if (offset) gl_.polygonOffset(slope, bias * 16777216.0f);
}

void Device::applyColorMask() {
    static const D3DRENDERSTATETYPE states[kRenderTargets] = {
        D3DRS_COLORWRITEENABLE, D3DRS_COLORWRITEENABLE1, D3DRS_COLORWRITEENABLE2, D3DRS_COLORWRITEENABLE3};
    // Direct3D's write bits are GL's order: red, green, blue, alpha.
    for (UINT i = 0; i < kRenderTargets; ++i) gl_.colorMask(i, renderStates_[states[i]] & 0xF);
}

void Device::applyScissor() {
    const bool enabled = renderStates_[D3DRS_SCISSORTESTENABLE] != 0;
    gl_.enable(kCapScissorTest, enabled);
    if (!enabled) return;
    LONG left = std::max<LONG>(scissor_.left, 0), top = std::max<LONG>(scissor_.top, 0);
    gl_.scissor({left, top, std::max<LONG>(scissor_.right - left, 0), std::max<LONG>(scissor_.bottom - top, 0)});
}

void Device::applyViewport() {
    gl_.viewport({GLint(viewport_.X), GLint(viewport_.Y), GLsizei(viewport_.Width), GLsizei(viewport_.Height)});
    gl_.depthRange(viewport_.MinZ, viewport_.MaxZ);
    // Half a pixel right and down: Direct3D 9 samples pixels at their integer coordinates. Filled
    // triangles go one sub-pixel step less, up and left: with y flipped, GL keeps pixel centres on
    // bottom edges and drops those on top edges; lifted by a step those ties become strict and fall
    // as Direct3D 9 has them. Pixel shaders read their inputs a step back (see withAlphaTest).
    const float half = lifted_ ? 1.0f - 2.0f / float(kFillStepsPerPixel) : 1.0f;
    gl_.block(deviceBlockKept_, deviceBlock_,
        DeviceBlock{{half / float(viewport_.Width), -half / float(viewport_.Height), 0.0f, 0.0f}});
}

void Device::applyAlphaTest() {
    const GLint func = renderStates_[D3DRS_ALPHATESTENABLE] ? GLint(renderStates_[D3DRS_ALPHAFUNC]) : GLint(D3DCMP_ALWAYS);
    const float step = lifted_ ? -1.0f / float(kFillStepsPerPixel) : 0.0f;
    gl_.block(alphaBlockKept_, alphaBlock_,
        AlphaBlock{{func, 0, 0, 0}, {float(renderStates_[D3DRS_ALPHAREF] & 0xFF) / 255.0f, 0, 0, 0}, {step, 0, 0, 0}});
}

// Direct3D needs a depth surface at least as large as the target; GL would draw only where the
// two overlap, so a smaller one is left out and the target draws without depth.
Surface* Device::drawnDepth() const {
    if (!depthStencil_ || !renderTargets_[0]) return depthStencil_;
    const D3DSURFACE_DESC& target = renderTargets_[0]->desc();
    const D3DSURFACE_DESC& depth = depthStencil_->desc();
    // Direct3D pairs a target only with a depth surface of its own multisample type; GL would
    // refuse the pair and draw nothing.
    const bool pairs = depth.Width >= target.Width && depth.Height >= target.Height &&
        depth.MultiSampleType == target.MultiSampleType;
    return pairs ? depthStencil_ : nullptr;
}

void Device::applyFramebuffer() {
    AttachmentSet set;
    for (UINT i = 0; i < kRenderTargets; ++i)
        if (renderTargets_[i]) set.colour[i] = renderTargets_[i]->attachment();
    if (Surface* depth = drawnDepth()) {
        set.depth = depth->attachment();
        set.stencil = depth->desc().Format == D3DFMT_D24S8;
    }
    const FramebufferCache::Entry& entry = context_->framebuffers.get(set);
    framebuffer_ = entry.framebuffer;
    framebufferComplete_ = entry.complete;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
    dirty_ &= ~kDirtyFramebuffer;
    // Depth and stencil tests depend on there being a depth surface.
    dirty_ |= kDirtyDepth | kDirtyStencil;
}

namespace {

struct VertexInputUse {
    uint32_t attributes = 0;
    uint32_t streams = 0;
};

// Formats and stream bindings of the declared attributes that have a buffer to read; the first
// element of a location wins.
VertexInputUse formatAttributes(VertexArrayState& vao, const VertexDeclaration* declaration,
    const std::array<StreamSlot, kStreams>& streams, bool userStream) {
    VertexInputUse use;
    if (!declaration) return use;
    for (const VertexDeclaration::Input& input : declaration->inputs()) {
        const uint32_t bit = 1u << input.location;
        if (use.attributes & bit) continue;
        if (!streams[input.stream].buffer && !(userStream && input.stream == 0)) continue;
        vao.format(input.location, input.format);
        vao.binding(input.location, input.stream);
        use.attributes |= bit;
        use.streams |= 1u << input.stream;
    }
    return use;
}

void bindStream(VertexArrayState& vao, GLuint s, const StreamSlot& slot) {
    vao.stream(s, {slot.buffer->name(), GLintptr(slot.offset), GLsizei(slot.stride)});
    const bool instanced = (slot.frequency & D3DSTREAMSOURCE_INSTANCEDATA) != 0;
    vao.divisor(s, instanced ? (slot.frequency & 0x3FFFFFFF) : 0);
}

}  // namespace

void Device::applyVertexInput(const UserArrays* user) {
    if (buffersDeletedSeen_ != context_->buffersDeleted) {
        vertexArray_.forgetBuffers();
        buffersDeletedSeen_ = context_->buffersDeleted;
    }
    const VertexInputUse use = formatAttributes(vertexArray_, declaration_, streams_, user != nullptr);
    vertexArray_.enabled(use.attributes);
    for (uint32_t streams = use.streams; streams; streams &= streams - 1) {
        const GLuint s = GLuint(__builtin_ctz(streams));
        if (user && s == 0) {
            // Drawn from user memory: stream 0 reads the device's upload buffer.
            vertexArray_.stream(0, {user->vertices, 0, GLsizei(user->stride)});
            vertexArray_.divisor(0, 0);
            continue;
        }
        bindStream(vertexArray_, s, streams_[s]);
    }
    vertexArray_.elements(user ? user->indices : indices_ ? indices_->name() : 0);
}

void Device::applyPipeline() {
    gl_.stages(pipeline_, vertexShader_ ? vertexShader_->program() : 0,
        pixelShader_ ? pixelShader_->program() : defaultPixelProgram_);
    const uint32_t explicitLevel = (vertexShader_ ? vertexShader_->explicitLevelUnits() : 0) |
                                   (pixelShader_ ? pixelShader_->explicitLevelUnits() : 0);
    dirtySamplers_ |= explicitLevel ^ explicitLevel_;
    explicitLevel_ = explicitLevel;
}

void Device::applySamplers() {
    for (UINT unit = 0; unit < kSamplerUnits; ++unit) {
        if (!(dirtySamplers_ & (1u << unit))) continue;
        const auto& s = samplerStates_[unit];
        const DWORD mag = s[D3DSAMP_MAGFILTER];
        // Some drivers crash compiling a draw that reads an anisotropic sampler at an explicit level.
        const bool anisotropic = (s[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC || mag == D3DTEXF_ANISOTROPIC) &&
                                 !(explicitLevel_ & (1u << unit));
        const float anisotropy = !anisotropy_ ? 0.0f
            : anisotropic ? std::clamp(float(s[D3DSAMP_MAXANISOTROPY]), 1.0f, std::max(1.0f, float(caps_.MaxAnisotropy)))
                          : 1.0f;
        gl_.sampler(unit, samplers_[unit],
            {GLint(addressMode(s[D3DSAMP_ADDRESSU])), GLint(addressMode(s[D3DSAMP_ADDRESSV])),
                GLint(addressMode(s[D3DSAMP_ADDRESSW])), s[D3DSAMP_BORDERCOLOR],
                mag == D3DTEXF_LINEAR || mag == D3DTEXF_ANISOTROPIC ? GL_LINEAR : GL_NEAREST,
                GLint(minFilter(s[D3DSAMP_MINFILTER], s[D3DSAMP_MIPFILTER])), anisotropy,
                asFloat(s[D3DSAMP_MIPMAPLODBIAS]), float(s[D3DSAMP_MAXMIPLEVEL])});
    }
    dirtySamplers_ = 0;
}

void Device::applyTextures() {
    for (UINT unit = 0; unit < kSamplerUnits; ++unit) {
        if (!(dirtyTextures_ & (1u << unit))) continue;
        TextureBinding* binding = bindings_[unit];
        glBindTextureUnit(unit, binding ? binding->glName() : 0);
    }
    dirtyTextures_ = 0;
}

void Device::prepareTargetsAndTextures() {
    // What the last draws rendered into a texture reaches its mipmaps before they are sampled.
    for (TextureBinding* binding : bindings_)
        if (binding) binding->prepareForSampling();
    for (Surface* target : renderTargets_)
        if (target) target->written();
}

namespace {

// Word for word: what the shader reads may be ints or bools, and a NaN is the same as itself.
bool sameRegister(const ConstantFile& file, UINT r) {
    uint64_t now[2], sent[2];
    std::memcpy(now, file.floats.data() + size_t(r) * 4, sizeof now);
    std::memcpy(sent, file.sent.data() + size_t(r) * 4, sizeof sent);
    return now[0] == sent[0] && now[1] == sent[1];
}

}  // namespace

// Registers set again to what the block holds are left out at both ends of the range.
void Device::applyConstants(ConstantFile& file, GLuint buffer) {
    if (file.dirtyEnd <= file.dirtyBegin) return;
    UINT begin = file.dirtyBegin, end = file.dirtyEnd;
    file.dirtyBegin = file.dirtyEnd = 0;
    if (file.sentKnown) {
        while (begin < end && sameRegister(file, begin)) ++begin;
        while (end > begin && sameRegister(file, end - 1)) --end;
        if (begin == end) return;
    }
    const size_t first = size_t(begin) * 4, floats = size_t(end - begin) * 4;
    glNamedBufferSubData(buffer, GLintptr(begin) * 16, GLsizeiptr(floats) * 4, file.floats.data() + first);
    std::memcpy(file.sent.data() + first, file.floats.data() + first, floats * 4);
    if (begin == 0 && end == file.count) file.sentKnown = true;
}

HRESULT Device::prepareDraw(const UserArrays* user) {
    if (!vertexShader_) return D3DERR_INVALIDCALL;
    context_->makeCurrent();
    if (dirty_ & kDirtyFramebuffer) applyFramebuffer();
    // Targets that cannot be drawn together (sample counts differ): the draw does nothing.
    if (!framebufferComplete_) return D3DERR_INVALIDCALL;
    const uint32_t now = dirty_;
    if (now & kDirtyBlend) applyBlend();
    if (now & kDirtyDepth) applyDepth();
    if (now & kDirtyStencil) applyStencil();
    if (now & kDirtyRaster) applyRaster();
    if (now & kDirtyColorMask) applyColorMask();
    if (now & kDirtyScissor) applyScissor();
    if (now & kDirtyViewport) applyViewport();
    if (now & kDirtyAlphaTest) applyAlphaTest();
    if ((now & kDirtyVertexInput) || user) applyVertexInput(user);
    if (now & kDirtyPipeline) applyPipeline();
    dirty_ = 0;
    if (dirtySamplers_) applySamplers();
    if (dirtyTextures_) applyTextures();
    prepareTargetsAndTextures();
    applyConstants(vsFile_, vsConstants_);
    applyConstants(psFile_, psConstants_);
    return D3D_OK;
}

UINT Device::instanceCount() const {
    const UINT f = streams_[0].frequency;
    if (f & D3DSTREAMSOURCE_INDEXEDDATA) return std::max(1u, f & 0x3FFFFFFF);
    return 1;
}

}  // namespace d3d9gl
