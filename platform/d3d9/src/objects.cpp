#include "objects.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <cctype>

#include "d3d9gl.h"

namespace d3d9gl {

// Vertex declarations -----------------------------------------------------------------------

namespace {

AttribFormat attribFormat(BYTE type, GLuint offset) {
    switch (type) {
    case D3DDECLTYPE_FLOAT1: return {1, GL_FLOAT, GL_FALSE, offset};
    case D3DDECLTYPE_FLOAT2: return {2, GL_FLOAT, GL_FALSE, offset};
    case D3DDECLTYPE_FLOAT3: return {3, GL_FLOAT, GL_FALSE, offset};
    case D3DDECLTYPE_FLOAT4: return {4, GL_FLOAT, GL_FALSE, offset};
    // Bytes B, G, R, A in memory: GL's BGRA size swaps them into place.
    case D3DDECLTYPE_D3DCOLOR: return {GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, offset};
    case D3DDECLTYPE_UBYTE4: return {4, GL_UNSIGNED_BYTE, GL_FALSE, offset};
    case D3DDECLTYPE_SHORT2: return {2, GL_SHORT, GL_FALSE, offset};
    case D3DDECLTYPE_SHORT4: return {4, GL_SHORT, GL_FALSE, offset};
    case D3DDECLTYPE_UBYTE4N: return {4, GL_UNSIGNED_BYTE, GL_TRUE, offset};
    case D3DDECLTYPE_SHORT2N: return {2, GL_SHORT, GL_TRUE, offset};
    case D3DDECLTYPE_SHORT4N: return {4, GL_SHORT, GL_TRUE, offset};
    case D3DDECLTYPE_USHORT2N: return {2, GL_UNSIGNED_SHORT, GL_TRUE, offset};
    case D3DDECLTYPE_USHORT4N: return {4, GL_UNSIGNED_SHORT, GL_TRUE, offset};
    case D3DDECLTYPE_UDEC3: return {4, GL_UNSIGNED_INT_2_10_10_10_REV, GL_FALSE, offset};
    case D3DDECLTYPE_DEC3N: return {4, GL_INT_2_10_10_10_REV, GL_TRUE, offset};
    case D3DDECLTYPE_FLOAT16_2: return {2, GL_HALF_FLOAT, GL_FALSE, offset};
    case D3DDECLTYPE_FLOAT16_4: return {4, GL_HALF_FLOAT, GL_FALSE, offset};
    default: return {4, GL_FLOAT, GL_FALSE, offset};
    }
}

}  // namespace

VertexDeclaration::VertexDeclaration(std::shared_ptr<GLContext> context, std::vector<D3DVERTEXELEMENT9> elements)
    : context_(std::move(context), false), elements_(std::move(elements)) {
    for (const D3DVERTEXELEMENT9& e : elements_) {
        const int location = d3dglAttribLocation(e.Usage, e.UsageIndex);
        if (location < 0 || location >= int(VertexArrayState::kLocations)) continue;
        inputs_.push_back({GLuint(location), e.Stream, attribFormat(e.Type, e.Offset)});
    }
}

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

namespace {

// GLSL text as words and single punctuation characters; comments and preprocessor lines dropped.
struct Token {
    std::string text;
    size_t begin, end;  // byte range in the source
};

std::vector<Token> tokenize(const std::string& s) {
    std::vector<Token> tokens;
    size_t i = 0;
    auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    while (i < s.size()) {
        char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (s.compare(i, 2, "//") == 0 || c == '#') {
            while (i < s.size() && s[i] != '\n') ++i;
        } else if (s.compare(i, 2, "/*") == 0) {
            size_t close = s.find("*/", i + 2);
            i = close == std::string::npos ? s.size() : close + 2;
        } else if (word(c)) {
            size_t b = i;
            while (i < s.size() && word(s[i])) ++i;
            tokens.push_back({s.substr(b, i - b), b, i});
        } else {
            tokens.push_back({std::string(1, c), i, i + 1});
            ++i;
        }
    }
    return tokens;
}

bool isPrecision(const std::string& t) { return t == "highp" || t == "mediump" || t == "lowp"; }

// The colour output: the vec4 output at location 0, or the only vec4 output.
std::string colourOutput(const std::vector<Token>& t) {
    std::string located, only;
    int outputs = 0;
    size_t statement = 0;  // first token of the current declaration
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].text == ";" || t[i].text == "{" || t[i].text == "}") {
            statement = i + 1;
            continue;
        }
        if (t[i].text != "out") continue;
        size_t k = i + 1;
        if (k < t.size() && isPrecision(t[k].text)) ++k;
        if (k + 2 >= t.size() || t[k].text != "vec4" || t[k + 2].text != ";") continue;
        const std::string& name = t[k + 1].text;
        ++outputs;
        only = name;
        for (size_t j = statement; j + 2 < i; ++j)
            if (t[j].text == "location" && t[j + 1].text == "=" && t[j + 2].text == "0") located = name;
    }
    if (!located.empty()) return located;
    return outputs == 1 ? only : std::string();
}

// Byte range of "void main()" (or "void main(void)"), or npos.
std::pair<size_t, size_t> mainDeclaration(const std::vector<Token>& t) {
    for (size_t i = 0; i + 3 < t.size(); ++i) {
        if (t[i].text != "void" || t[i + 1].text != "main" || t[i + 2].text != "(") continue;
        size_t k = i + 3;
        if (t[k].text == "void" && k + 1 < t.size()) ++k;
        if (t[k].text == ")") return {t[i].begin, t[k].end};
    }
    return {std::string::npos, std::string::npos};
}

// A pixel-shader input declared "in TYPE NAME;" (or NAME[N]) at global scope.
struct Input {
    std::string type, name, arraySize;
    size_t nameBegin, nameEnd, statementEnd;
    bool interpolated;
};

// Only float scalars, vectors and matrices can be read at an offset; other inputs (integers,
// doubles, structures) hold one value per primitive or are taken as they come.
bool isInterpolable(const std::string& t) {
    return t == "float" || t.rfind("vec", 0) == 0 || t.rfind("mat", 0) == 0;
}

// "to = from" read at the offset; matrices a column at a time.
std::string readAtOffset(const std::string& to, const std::string& from, const std::string& type,
    const std::string& offset) {
    if (type.rfind("mat", 0) == 0 && type.size() >= 4) {
        const std::string columns(1, type[3]);
        return "for (int d3dgl_c = 0; d3dgl_c < " + columns + "; ++d3dgl_c) " + to +
               "[d3dgl_c] = interpolateAtOffset(" + from + "[d3dgl_c], " + offset + ");";
    }
    return to + " = interpolateAtOffset(" + from + ", " + offset + ");";
}

bool endsStatement(const std::string& w) { return w == ";" || w == "{" || w == "}"; }

// The declaration whose "in" is token i, its statement beginning at token statement; false
// when the tokens there are no plain "in TYPE NAME;" or "in TYPE NAME[N];".
bool readInput(const std::vector<Token>& t, size_t i, size_t statement, Input& in) {
    size_t k = i + 1;
    if (k < t.size() && isPrecision(t[k].text)) ++k;
    if (k + 2 >= t.size()) return false;
    in = Input{t[k].text, t[k + 1].text, "", t[k + 1].begin, t[k + 1].end, 0, true};
    size_t end = k + 2;
    if (t[end].text == "[" && end + 2 < t.size() && t[end + 2].text == "]") {
        in.arraySize = t[end + 1].text;
        end += 3;
    }
    if (end >= t.size() || t[end].text != ";") return false;
    in.statementEnd = t[end].end;
    for (size_t j = statement; j < i; ++j)
        if (t[j].text == "flat") in.interpolated = false;
    if (!isInterpolable(in.type)) in.interpolated = false;
    return true;
}

std::vector<Input> pixelInputs(const std::vector<Token>& t) {
    std::vector<Input> inputs;
    size_t statement = 0;
    int depth = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        const std::string& w = t[i].text;
        if (w == "{") ++depth;
        if (w == "}") --depth;
        if (endsStatement(w)) {
            statement = i + 1;
            continue;
        }
        if (w != "in" || depth != 0) continue;
        Input in{};
        if (readInput(t, i, statement, in)) inputs.push_back(std::move(in));
    }
    return inputs;
}

bool isSampler(GLenum type) {
    switch (type) {
    case GL_SAMPLER_1D:
    case GL_SAMPLER_2D:
    case GL_SAMPLER_3D:
    case GL_SAMPLER_CUBE:
    case GL_SAMPLER_1D_SHADOW:
    case GL_SAMPLER_2D_SHADOW:
    case GL_SAMPLER_CUBE_SHADOW:
    case GL_SAMPLER_1D_ARRAY:
    case GL_SAMPLER_2D_ARRAY:
    case GL_SAMPLER_1D_ARRAY_SHADOW:
    case GL_SAMPLER_2D_ARRAY_SHADOW:
    case GL_SAMPLER_CUBE_MAP_ARRAY:
    case GL_SAMPLER_CUBE_MAP_ARRAY_SHADOW: return true;
    default: return false;
    }
}

// The sampler uniforms of a linked program by name (an array's without "[0]"), each with the
// units its elements read.
std::map<std::string, uint32_t> samplerUnits(GLuint program) {
    std::map<std::string, uint32_t> units;
    GLint count = 0;
    glGetProgramInterfaceiv(program, GL_UNIFORM, GL_ACTIVE_RESOURCES, &count);
    for (GLint i = 0; i < count; ++i) {
        const GLenum properties[] = {GL_TYPE, GL_ARRAY_SIZE, GL_LOCATION, GL_NAME_LENGTH};
        GLint value[4] = {};
        glGetProgramResourceiv(program, GL_UNIFORM, GLuint(i), 4, properties, 4, nullptr, value);
        if (!isSampler(GLenum(value[0])) || value[2] < 0 || value[3] <= 0) continue;
        std::string name(size_t(value[3]), '\0');
        glGetProgramResourceName(program, GL_UNIFORM, GLuint(i), value[3], nullptr, name.data());
        name.resize(std::strlen(name.c_str()));
        if (name.size() > 3 && name.compare(name.size() - 3, 3, "[0]") == 0) name.resize(name.size() - 3);
        uint32_t& bits = units[name];
        for (GLint element = 0; element < value[1]; ++element) {
            GLint unit = -1;
            glGetUniformiv(program, value[2] + element, &unit);
            if (unit >= 0 && unit < 32) bits |= 1u << unit;
        }
    }
    return units;
}

bool readsAtExplicitLevel(const std::string& function) {
    static const char* const reads[] = {"textureLod", "textureLodOffset", "textureProjLod", "textureProjLodOffset",
        "textureGrad", "textureGradOffset", "textureProjGrad", "textureProjGradOffset"};
    for (const char* read : reads)
        if (function == read) return true;
    return false;
}

}  // namespace

uint32_t explicitLevelUnits(GLenum stage, GLuint program, const std::string& source) {
    const std::map<std::string, uint32_t> units = samplerUnits(program);
    uint32_t all = 0;
    for (const auto& entry : units) all |= entry.second;
    // A vertex program has no derivatives: every read it makes is at a level of its choosing.
    if (stage == GL_VERTEX_SHADER) return all;
    const std::vector<Token> t = tokenize(source);
    uint32_t bits = 0;
    for (size_t i = 0; i + 2 < t.size(); ++i) {
        if (t[i + 1].text != "(" || !readsAtExplicitLevel(t[i].text)) continue;
        const auto sampler = units.find(t[i + 2].text);
        bits |= sampler != units.end() ? sampler->second : all;
    }
    return bits;
}

std::string withAlphaTest(const std::string& source) {
    const std::vector<Token> tokens = tokenize(source);
    const std::string output = colourOutput(tokens);
    const auto declaration = mainDeclaration(tokens);
    const std::vector<Input> inputs = pixelInputs(tokens);
    if (declaration.first == std::string::npos || (output.empty() && inputs.empty())) return source;
    // Inputs ahead of main become plain variables that the device's reader fills, declared right
    // after the last of them so that everything reading them sees them filled.
    std::vector<Input> read;
    size_t readerAt = 0;
    for (const Input& in : inputs)
        if (in.nameBegin < declaration.first) {
            read.push_back(in);
            readerAt = std::max(readerAt, in.statementEnd);
        }
    std::string reader = "\nlayout(std140, binding = " + std::to_string(D3DGL_ALPHA_TEST_BLOCK) +
                         ") uniform D3DGLPixel { ivec4 d3dgl_alphaFunc; vec4 d3dgl_alphaRef; vec4 d3dgl_fillStep; };\n";
    for (const Input& in : read)
        reader += in.type + " " + in.name + (in.arraySize.empty() ? "" : "[" + in.arraySize + "]") + ";\n";
    // Filled triangles come lifted by a sub-pixel step (see applyViewport); interpolated inputs are
    // read where the unlifted triangle gives them, so only coverage sees the step.
    const std::string step = "vec2(d3dgl_fillStep.x)";
    reader += "void d3dgl_readInputs() {\n  if (d3dgl_fillStep.x != 0.0) {\n";
    for (const Input& in : read) {
        const std::string from = "d3dgl_in_" + in.name;
        if (!in.interpolated) {
            reader += "    " + in.name + " = " + from + ";\n";
        } else if (in.arraySize.empty()) {
            reader += "    " + readAtOffset(in.name, from, in.type, step) + "\n";
        } else {
            reader += "    for (int d3dgl_i = 0; d3dgl_i < " + in.arraySize + "; ++d3dgl_i) { " +
                      readAtOffset(in.name + "[d3dgl_i]", from + "[d3dgl_i]", in.type, step) + " }\n";
        }
    }
    reader += "  } else {\n";
    for (const Input& in : read) reader += "    " + in.name + " = d3dgl_in_" + in.name + ";\n";
    reader += "  }\n}\n";

    // Edits from the back, so the byte ranges ahead of each stay valid.
    std::string text = source;
    text.replace(declaration.first, declaration.second - declaration.first, "void d3dgl_main()");
    text.insert(read.empty() ? declaration.first : readerAt, reader);
    for (auto in = read.rbegin(); in != read.rend(); ++in)
        text.replace(in->nameBegin, in->nameEnd - in->nameBegin, "d3dgl_in_" + in->name);
    text += "\nvoid main() {\n    d3dgl_readInputs();\n";
    text += "    d3dgl_main();\n";
    if (output.empty()) return text + "}\n";
    text +=
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
