#pragma once
// Vertex declarations, shader objects and queries.

#include <string>
#include <vector>

#include "com_object.h"
#include "gl_context.h"
#include "gl_state.h"

namespace d3d9gl {

class VertexDeclaration final : public ComObject<IDirect3DVertexDeclaration9> {
public:
    // The elements up to (not including) the end marker.
    VertexDeclaration(std::shared_ptr<GLContext> context, std::vector<D3DVERTEXELEMENT9> elements);
    HRESULT GetDevice(IDirect3DDevice9** device) override { return context_.getDevice(device); }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) override;
    const std::vector<D3DVERTEXELEMENT9>& elements() const { return elements_; }
    // The elements that reach an attribute location, in order, with their GL formats.
    struct Input {
        GLuint location;
        GLuint stream;
        AttribFormat format;
    };
    const std::vector<Input>& inputs() const { return inputs_; }

    // Null when the list has no end marker within the limit, or an element is invalid.
    static bool validate(const D3DVERTEXELEMENT9* elements, std::vector<D3DVERTEXELEMENT9>* out);

private:
    ContextRef context_;
    std::vector<D3DVERTEXELEMENT9> elements_;
    std::vector<Input> inputs_;
};

// A separable GL program of one stage.
class ShaderProgram {
public:
    ShaderProgram(std::shared_ptr<GLContext> context, GLuint program, std::string source, uint32_t explicitLevelUnits)
        : context_(std::move(context), false), program_(program), source_(std::move(source)),
          explicitLevelUnits_(explicitLevelUnits) {}
    ~ShaderProgram();
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;
    GLuint program() const { return program_; }
    // Texture units (bits) the program reads at a level or with gradients of its own choosing.
    uint32_t explicitLevelUnits() const { return explicitLevelUnits_; }
    HRESULT getFunction(void* data, UINT* size) const;
    const ContextRef& context() const { return context_; }

private:
    ContextRef context_;
    GLuint program_;
    std::string source_;
    uint32_t explicitLevelUnits_;
};

class VertexShader final : public ComObject<IDirect3DVertexShader9> {
public:
    VertexShader(std::shared_ptr<GLContext> context, GLuint program, std::string source, uint32_t explicitLevelUnits)
        : program_(std::move(context), program, std::move(source), explicitLevelUnits) {}
    HRESULT GetDevice(IDirect3DDevice9** device) override { return program_.context().getDevice(device); }
    HRESULT GetFunction(void* data, UINT* size) override { return program_.getFunction(data, size); }
    GLuint program() const { return program_.program(); }
    uint32_t explicitLevelUnits() const { return program_.explicitLevelUnits(); }

private:
    ShaderProgram program_;
};

class PixelShader final : public ComObject<IDirect3DPixelShader9> {
public:
    PixelShader(std::shared_ptr<GLContext> context, GLuint program, std::string source, uint32_t explicitLevelUnits)
        : program_(std::move(context), program, std::move(source), explicitLevelUnits) {}
    HRESULT GetDevice(IDirect3DDevice9** device) override { return program_.context().getDevice(device); }
    HRESULT GetFunction(void* data, UINT* size) override { return program_.getFunction(data, size); }
    GLuint program() const { return program_.program(); }
    uint32_t explicitLevelUnits() const { return program_.explicitLevelUnits(); }

private:
    ShaderProgram program_;
};

// Compiles one stage as a separable program; 0 with the info log in *errors on failure.
GLuint compileSeparable(GLenum stage, const std::string& source, std::string* errors);
// The texture units a linked program reads with an explicit level or explicit gradients: every
// unit of a vertex program, the units of the samplers a pixel program passes to such reads (all
// of its units where a read takes a sampler that is no uniform, as inside a function).
uint32_t explicitLevelUnits(GLenum stage, GLuint program, const std::string& source);
// Filled triangles are drawn lifted up and left by one step of the rasteriser's sub-pixel grid,
// this many to the pixel, so that pixel centres on edges fall as Direct3D 9's top-left rule has them.
constexpr int kFillStepsPerPixel = 256;

// A pixel shader's text wrapped in the device's own main(): its inputs read where the unlifted
// geometry gives them, then its main, then the alpha test (discard) on its colour output. The text
// itself when it has neither inputs nor a colour output.
std::string withAlphaTest(const std::string& source);

class Query final : public ComObject<IDirect3DQuery9> {
public:
    Query(std::shared_ptr<GLContext> context, D3DQUERYTYPE type);
    ~Query() override;
    HRESULT GetDevice(IDirect3DDevice9** device) override { return context_.getDevice(device); }
    D3DQUERYTYPE GetType() override { return type_; }
    DWORD GetDataSize() override;
    HRESULT Issue(DWORD issueFlags) override;
    HRESULT GetData(void* data, DWORD size, DWORD getDataFlags) override;

    static bool supported(D3DQUERYTYPE type) {
        return type == D3DQUERYTYPE_OCCLUSION || type == D3DQUERYTYPE_EVENT;
    }

private:
    enum class State { Signaled, Building, Issued };
    ContextRef context_;
    D3DQUERYTYPE type_;
    GLuint query_ = 0;
    GLsync fence_ = nullptr;
    State state_ = State::Signaled;
    bool everEnded_ = false;
};

// The one GL occlusion query a context may have running.
Query*& activeOcclusionQuery(GLContext& context);

}  // namespace d3d9gl
