#include "objects.h"

#include <cstring>
#include <map>
#include <regex>

#include "d3d9gl.h"

namespace d3d9gl {

// Vertex declarations -----------------------------------------------------------------------

VertexDeclaration::VertexDeclaration(std::shared_ptr<GLContext> context, std::vector<D3DVERTEXELEMENT9> elements)
    : context_(std::move(context), false), elements_(std::move(elements)) {}

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) {
    if (!numElements) return D3DERR_INVALIDCALL;
    UINT count = UINT(elements_.size()) + 1;
    if (elements) {
        std::memcpy(elements, elements_.data(), elements_.size() * sizeof(D3DVERTEXELEMENT9));
        elements[elements_.size()] = D3DDECL_END();
    }
    *numElements = count;
    return D3D_OK;
}

bool VertexDeclaration::validate(const D3DVERTEXELEMENT9* elements, std::vector<D3DVERTEXELEMENT9>* out) {
    if (!elements) return false;
    out->clear();
    for (UINT i = 0; i <= MAXD3DDECLLENGTH; ++i) {
        const D3DVERTEXELEMENT9& e = elements[i];
        if (e.Stream == 0xFF) return e.Type == D3DDECLTYPE_UNUSED;
        if (e.Stream >= 16 || e.Type >= D3DDECLTYPE_UNUSED || e.Usage > D3DDECLUSAGE_SAMPLE ||
            e.UsageIndex > MAXD3DDECLUSAGEINDEX)
            return false;
        out->push_back(e);
    }
    return false;
}

// Shaders -------------------------------------------------------------------------------------

ShaderProgram::~ShaderProgram() {
    context_->makeCurrent();
    glDeleteProgram(program_);
}

HRESULT ShaderProgram::getFunction(void* data, UINT* size) const {
    if (!size) return D3DERR_INVALIDCALL;
    UINT bytes = UINT(source_.size()) + 1;
    if (data) {
        if (*size < bytes) return D3DERR_MOREDATA;
        std::memcpy(data, source_.c_str(), bytes);
    }
    *size = bytes;
    return D3D_OK;
}

GLuint compileSeparable(GLenum stage, const std::string& source, std::string* errors) {
    const char* text = source.c_str();
    GLuint program = glCreateShaderProgramv(stage, 1, &text);
    GLint linked = GL_FALSE;
    if (program) glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE) return program;
    if (errors) {
        errors->clear();
        if (program) {
            GLint length = 0;
            glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
            std::string log(size_t(length > 0 ? length : 0), '\0');
            if (length > 0) glGetProgramInfoLog(program, length, nullptr, log.data());
            while (!log.empty() && log.back() == '\0') log.pop_back();
            *errors = log.empty() ? "the shader does not compile" : log;
        } else {
            *errors = "no GL program could be made";
        }
    }
    if (program) glDeleteProgram(program);
    return 0;
}

std::string withAlphaTest(const std::string& source) {
    // The colour output: the vec4 at location 0, or the only vec4 output.
    static const std::regex located(R"(layout\s*\(\s*location\s*=\s*0\s*\)\s*out\s+(?:highp\s+|mediump\s+)?vec4\s+(\w+)\s*;)");
    static const std::regex anyOut(R"((?:^|[;\n}])\s*out\s+(?:highp\s+|mediump\s+)?vec4\s+(\w+)\s*;)");
    static const std::regex mainDecl(R"(\bvoid\s+main\s*\(\s*(void)?\s*\))");
    std::smatch match;
    std::string output;
    if (std::regex_search(source, match, located)) {
        output = match[1];
    } else {
        auto begin = std::sregex_iterator(source.begin(), source.end(), anyOut);
        if (std::distance(begin, std::sregex_iterator()) != 1) return source;
        output = (*begin)[1];
    }
    if (!std::regex_search(source, mainDecl)) return source;
    std::string text = std::regex_replace(source, mainDecl, "void d3dgl_main()", std::regex_constants::format_first_only);
    text +=
        "\nlayout(std140, binding = " + std::to_string(D3DGL_ALPHA_TEST_BLOCK) + ") uniform D3DGLAlphaTest { ivec4 d3dgl_alphaFunc; vec4 d3dgl_alphaRef; };\n"
        "void main() {\n"
        "    d3dgl_main();\n"
        "    float a = " + output + ".a;\n"
        "    float r = d3dgl_alphaRef.x;\n"
        "    bool pass = true;\n"
        "    switch (d3dgl_alphaFunc.x) {\n"
        "    case 1: pass = false; break;\n"
        "    case 2: pass = a < r; break;\n"
        "    case 3: pass = a == r; break;\n"
        "    case 4: pass = a <= r; break;\n"
        "    case 5: pass = a > r; break;\n"
        "    case 6: pass = a != r; break;\n"
        "    case 7: pass = a >= r; break;\n"
        "    default: break;\n"
        "    }\n"
        "    if (!pass) discard;\n"
        "}\n";
    return text;
}

// Queries -------------------------------------------------------------------------------------

Query*& activeOcclusionQuery(GLContext& context) {
    static std::map<GLContext*, Query*> active;
    return active[&context];
}

Query::Query(std::shared_ptr<GLContext> context, D3DQUERYTYPE type) : context_(std::move(context), false), type_(type) {
    context_->makeCurrent();
    if (type_ == D3DQUERYTYPE_OCCLUSION) glCreateQueries(GL_SAMPLES_PASSED, 1, &query_);
}

Query::~Query() {
    context_->makeCurrent();
    Query*& active = activeOcclusionQuery(*context_);
    if (active == this) {
        glEndQuery(GL_SAMPLES_PASSED);
        active = nullptr;
    }
    if (query_) glDeleteQueries(1, &query_);
    if (fence_) glDeleteSync(fence_);
}

DWORD Query::GetDataSize() { return type_ == D3DQUERYTYPE_EVENT ? sizeof(BOOL) : sizeof(DWORD); }

HRESULT Query::Issue(DWORD issueFlags) {
    context_->makeCurrent();
    if (type_ == D3DQUERYTYPE_EVENT) {
        if (!(issueFlags & D3DISSUE_END)) return D3DERR_INVALIDCALL;
        if (fence_) glDeleteSync(fence_);
        fence_ = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        state_ = State::Issued;
        everEnded_ = true;
        return D3D_OK;
    }
    Query*& active = activeOcclusionQuery(*context_);
    if (issueFlags & D3DISSUE_BEGIN) {
        if (active) {
            glEndQuery(GL_SAMPLES_PASSED);
            active->state_ = State::Issued;
            active->everEnded_ = true;
        }
        glBeginQuery(GL_SAMPLES_PASSED, query_);
        active = this;
        state_ = State::Building;
        return D3D_OK;
    }
    if (issueFlags & D3DISSUE_END) {
        if (active == this) {
            glEndQuery(GL_SAMPLES_PASSED);
            active = nullptr;
        } else {
            // An end without a begin counts nothing.
            glBeginQuery(GL_SAMPLES_PASSED, query_);
            glEndQuery(GL_SAMPLES_PASSED);
        }
        state_ = State::Issued;
        everEnded_ = true;
        return D3D_OK;
    }
    return D3DERR_INVALIDCALL;
}

HRESULT Query::GetData(void* data, DWORD size, DWORD getDataFlags) {
    if (data && size < GetDataSize()) return D3DERR_INVALIDCALL;
    if (state_ == State::Building || !everEnded_) return state_ == State::Building ? S_FALSE : D3DERR_INVALIDCALL;
    context_->makeCurrent();
    if (type_ == D3DQUERYTYPE_EVENT) {
        GLenum status = glClientWaitSync(fence_, (getDataFlags & D3DGETDATA_FLUSH) ? GL_SYNC_FLUSH_COMMANDS_BIT : 0, 0);
        if (status == GL_TIMEOUT_EXPIRED) return S_FALSE;
        if (data) *static_cast<BOOL*>(data) = TRUE;
        return S_OK;
    }
    GLuint available = GL_FALSE;
    glGetQueryObjectuiv(query_, GL_QUERY_RESULT_AVAILABLE, &available);
    if (!available) {
        if (getDataFlags & D3DGETDATA_FLUSH) glFlush();
        return S_FALSE;
    }
    GLuint samples = 0;
    glGetQueryObjectuiv(query_, GL_QUERY_RESULT, &samples);
    if (data) *static_cast<DWORD*>(data) = samples;
    state_ = State::Signaled;
    return S_OK;
}

}  // namespace d3d9gl
