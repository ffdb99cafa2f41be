// Entry points to GLSL: glslang's HLSL front end to SPIR-V, SPIRV-Cross to GLSL 4.50, with
// attribute and varying locations from semantics and constants in the device's register blocks.
#include <spirv_cross/spirv_cross_c.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "FxGlslang.h"
#include "FxNumber.h"
#include "FxProgram.h"
#include "d3d9gl.h"

namespace fx {
namespace {

std::atomic<uint64_t> g_compiles{0};
std::atomic<CompilerGuard> g_guard{nullptr};
std::mutex g_cacheMutex;
std::unordered_map<std::string, ProgramPtr>& cache() {
    static std::unordered_map<std::string, ProgramPtr> c;
    return c;
}

// SPIRV-Cross gives no type for an id it could not read ("Id is 0"): that ends the translation
// instead of being followed.
struct LostType {};
spvc_type typeOf(spvc_compiler comp, spvc_type_id id) {
    spvc_type t = spvc_compiler_get_type_handle(comp, id);
    if (!t) throw LostType{};
    return t;
}

// "TEXCOORD3" -> ("TEXCOORD", 3)
std::pair<std::string, int> splitSemantic(const std::string& s) {
    std::string u;
    for (char c : s) u += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    size_t k = u.size();
    while (k > 0 && std::isdigit(static_cast<unsigned char>(u[k - 1]))) --k;
    int idx = k < u.size() ? static_cast<int>(std::min<int64_t>(readInteger(std::string_view(u).substr(k), 10), 0x7FFF)) : 0;
    return {u.substr(0, k), idx};
}

int attribLocation(const std::string& sem) {
    auto [name, idx] = splitSemantic(sem);
    static const std::pair<const char*, int> usages[] = {
        {"POSITION", 0}, {"BLENDWEIGHT", 1}, {"BLENDINDICES", 2}, {"NORMAL", 3}, {"PSIZE", 4}, {"TEXCOORD", 5},
        {"TANGENT", 6}, {"BINORMAL", 7}, {"TESSFACTOR", 8}, {"POSITIONT", 9}, {"COLOR", 10}, {"FOG", 11},
        {"DEPTH", 12}, {"SAMPLE", 13}};
    for (const auto& u : usages)
        if (name == u.first) return idx < 256 ? d3dglAttribLocation(static_cast<BYTE>(u.second), static_cast<BYTE>(idx)) : -1;
    return -1;
}

int varyingLocation(const std::string& sem) {
    auto [name, idx] = splitSemantic(sem);
    if (name == "TEXCOORD" && idx < 16) return idx;
    if (name == "COLOR" && idx < 2) return 16 + idx;
    if (name == "FOG" && idx == 0) return 18;
    if (name == "PSIZE" && idx == 0) return 19;
    if (name == "NORMAL" && idx < 2) return 20 + idx;
    if (name == "TANGENT" && idx == 0) return 22;
    if (name == "BINORMAL" && idx == 0) return 23;
    if (name == "BLENDWEIGHT" && idx == 0) return 24;
    if (name == "BLENDINDICES" && idx == 0) return 25;
    if (name == "POSITION" && idx >= 1 && idx < 4) return 25 + idx;
    return -1;
}

int targetLocation(const std::string& sem) {
    auto [name, idx] = splitSemantic(sem);
    if ((name == "COLOR" || name == "SV_TARGET") && idx < 4) return idx;
    return -1;
}

// glslang splits an array varying into one variable per element, named "...[N]", each with the
// array's semantic; element N takes the register N (N × rows for matrices) past the array's own.
std::string elementSemantic(spvc_compiler comp, const spvc_reflected_resource& r, const std::string& semantic) {
    std::string name = r.name ? r.name : "";
    if (name.size() < 3 || name.back() != ']') return semantic;
    size_t k = name.size() - 1;
    while (k > 0 && std::isdigit(static_cast<unsigned char>(name[k - 1]))) --k;
    if (k == name.size() - 1 || k == 0 || name[k - 1] != '[') return semantic;
    const int element =
        static_cast<int>(std::min<int64_t>(readInteger(std::string_view(name).substr(k, name.size() - 1 - k), 10), 0x7FFF));
    spvc_type type = typeOf(comp, r.type_id);
    int span = std::max(1, static_cast<int>(spvc_type_get_columns(type)));
    auto [base, index] = splitSemantic(semantic);
    return base + std::to_string(index + element * span);
}

// Maps glslang's "ERROR: 0:LINE: message" lines back to effect files and lines.
std::string mapLog(const Module& m, const std::string& log, const std::vector<std::pair<uint16_t, uint32_t>>& lines,
                   const std::string& entry) {
    std::string out;
    size_t p = 0;
    while (p < log.size()) {
        size_t e = log.find('\n', p);
        if (e == std::string::npos) e = log.size();
        std::string line = log.substr(p, e - p);
        p = e + 1;
        if (line.empty() || line.find("compilation terminated") != std::string::npos ||
            line.find("compilation errors") != std::string::npos || line.find("HLSL parsing failed") != std::string::npos)
            continue;
        std::string kind = "error";
        std::string rest = line;
        if (rest.rfind("ERROR: ", 0) == 0) rest = rest.substr(7);
        else if (rest.rfind("WARNING: ", 0) == 0) { kind = "warning"; rest = rest.substr(9); }
        std::string where = m.files.where(0, 1);
        size_t c1 = rest.find(':');
        size_t c2 = c1 == std::string::npos ? std::string::npos : rest.find(':', c1 + 1);
        if (c1 != std::string::npos && c2 != std::string::npos && c1 > 0 &&
            std::isdigit(static_cast<unsigned char>(rest[c1 + 1]))) {
            const int64_t ln = readInteger(std::string_view(rest).substr(c1 + 1), 10);
            if (ln >= 1 && static_cast<size_t>(ln) <= lines.size() && lines[static_cast<size_t>(ln) - 1].first != 0xFFFF)
                where = m.files.where(lines[static_cast<size_t>(ln) - 1].first, lines[static_cast<size_t>(ln) - 1].second);
            else
                where = m.files.where(0, 1) + " (entry point '" + entry + "')";
            rest = rest.substr(c2 + 1);
            while (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
        }
        out.append(where).append(": ").append(kind).append(": ").append(rest).append("\n");
    }
    return out;
}

std::vector<uint32_t> toSpirv(const Module& m, Stage stage, const std::string& hlsl,
                              const std::vector<std::pair<uint16_t, uint32_t>>& lines, const std::string& entry) {
    g_compiles.fetch_add(1);
    if (CompilerGuard guard = g_guard.load(); guard && !guard(hlsl.data(), unsigned(hlsl.size()), stage == Stage::Pixel))
        throw FxError(m.files.where(0, 1) + ": error: the shader compiler failed on '" + entry + "'");
    std::vector<uint32_t> spirv;
    std::string log;
    if (!glslangToSpirv(stage, hlsl, spirv, log)) throw FxError(mapLog(m, log, lines, entry));
    if (spirv.empty()) throw FxError(m.files.where(0, 1) + ": error: code generation failed for '" + entry + "'");
    return spirv;
}

struct Spvc {
    spvc_context ctx = nullptr;
    ~Spvc() { if (ctx) spvc_context_destroy(ctx); }
};

Layout reflectType(spvc_compiler comp, spvc_type_id typeId, spvc_type parentStruct, unsigned memberIndex,
                   uint32_t offset) {
    Layout l;
    spvc_type t = typeOf(comp, typeId);
    l.offset = offset;
    l.vecsize = spvc_type_get_vector_size(t);
    l.columns = spvc_type_get_columns(t);
    switch (spvc_type_get_basetype(t)) {
    case SPVC_BASETYPE_FP32: l.base = Layout::Float; break;
    case SPVC_BASETYPE_INT32: l.base = Layout::Int; break;
    case SPVC_BASETYPE_UINT32: case SPVC_BASETYPE_BOOLEAN: l.base = Layout::UInt; break;
    case SPVC_BASETYPE_STRUCT: l.base = Layout::Struct; break;
    default: l.base = Layout::Other; break;
    }
    if (parentStruct) {
        if (spvc_type_get_num_array_dimensions(t) > 0) {
            l.arraySize = spvc_type_get_array_dimension(t, 0);
            unsigned stride = 0;
            spvc_compiler_type_struct_member_array_stride(comp, parentStruct, memberIndex, &stride);
            l.arrayStride = stride;
        }
        if (l.columns > 1) {
            unsigned ms = 0;
            spvc_compiler_type_struct_member_matrix_stride(comp, parentStruct, memberIndex, &ms);
            l.matrixStride = ms;
            spvc_type_id pid = spvc_type_get_base_type_id(parentStruct);
            l.rowMajor = spvc_compiler_has_member_decoration(comp, pid, memberIndex, SpvDecorationRowMajor);
        }
    }
    if (l.base == Layout::Struct) {
        spvc_type_id baseId = spvc_type_get_base_type_id(t);
        spvc_type base = typeOf(comp, baseId);
        unsigned n = spvc_type_get_num_member_types(base);
        for (unsigned k = 0; k < n; ++k) {
            unsigned mo = 0;
            spvc_compiler_type_struct_member_offset(comp, base, k, &mo);
            const char* name = spvc_compiler_get_member_name(comp, baseId, k);
            l.members.push_back({name ? name : "", reflectType(comp, spvc_type_get_member_type(base, k), base, k, mo)});
        }
    }
    return l;
}

// glslang packs struct members in constant blocks by HLSL rules, which GLSL blocks cannot
// express; the block and everything in it is laid out again by std140 rules.
struct Std140 {
    spvc_compiler comp;
    std::unordered_map<spvc_type_id, std::pair<uint32_t, uint32_t>> structs;

    static uint32_t up(uint32_t v, uint32_t a) { return (v + a - 1) / a * a; }

    // Size and alignment of a type; arrays and struct members get their strides and offsets.
    std::pair<uint32_t, uint32_t> layout(spvc_type_id id, bool rowMajor) {
        spvc_type t = typeOf(comp, id);
        if (spvc_type_get_num_array_dimensions(t) > 0) {
            uint32_t n = spvc_type_get_array_dimension(t, 0);
            auto el = layout(spvc_type_get_base_type_id(t), rowMajor);
            uint32_t stride = up(el.first, 16);
            spvc_compiler_set_decoration(comp, id, SpvDecorationArrayStride, stride);
            return {stride * (n ? n : 1), 16};
        }
        if (spvc_type_get_basetype(t) == SPVC_BASETYPE_STRUCT) return structLayout(spvc_type_get_base_type_id(t), true);
        uint32_t vec = spvc_type_get_vector_size(t), cols = spvc_type_get_columns(t);
        if (cols > 1) return {16 * (rowMajor ? vec : cols), 16};
        return {4 * vec, vec == 1 ? 4u : vec == 2 ? 8u : 16u};
    }

    // GLSL gives every matrix in a struct the orientation of the block member that holds it,
    // so matrices inside structs (`nested`) are all made column major: the layout read back then
    // is the one the program has, whatever each member declared.
    std::pair<uint32_t, uint32_t> structLayout(spvc_type_id id, bool nested) {
        auto it = structs.find(id);
        if (it != structs.end()) return it->second;
        spvc_type t = typeOf(comp, id);
        uint32_t offset = 0;
        unsigned n = spvc_type_get_num_member_types(t);
        for (unsigned k = 0; k < n; ++k) {
            spvc_type_id mt = spvc_type_get_member_type(t, k);
            spvc_type base = typeOf(comp, spvc_type_get_base_type_id(typeOf(comp, mt)));
            const bool matrix = spvc_type_get_columns(base) > 1;
            if (matrix && nested) {
                spvc_compiler_unset_member_decoration(comp, id, k, SpvDecorationRowMajor);
                spvc_compiler_set_member_decoration(comp, id, k, SpvDecorationColMajor, 0);
            }
            bool rowMajor = spvc_compiler_has_member_decoration(comp, id, k, SpvDecorationRowMajor);
            auto [size, align] = layout(mt, rowMajor);
            offset = up(offset, align);
            spvc_compiler_set_member_decoration(comp, id, k, SpvDecorationOffset, offset);
            if (matrix) spvc_compiler_set_member_decoration(comp, id, k, SpvDecorationMatrixStride, 16);
            offset += size;
        }
        auto r = std::make_pair(up(offset, 16), 16u);
        structs[id] = r;
        return r;
    }
};

[[noreturn]] void failSpvc(const Module& m, spvc_context ctx, const std::string& entry) {
    throw FxError(m.files.where(0, 1) + ": error: cannot translate '" + entry + "': " + spvc_context_get_last_error_string(ctx));
}

spvc_compiler glslCompiler(const Module& m, const Spvc& s, const std::vector<uint32_t>& spirv, const std::string& entry) {
    spvc_parsed_ir ir = nullptr;
    if (spvc_context_parse_spirv(s.ctx, spirv.data(), spirv.size(), &ir) != SPVC_SUCCESS) failSpvc(m, s.ctx, entry);
    spvc_compiler comp = nullptr;
    if (spvc_context_create_compiler(s.ctx, SPVC_BACKEND_GLSL, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP, &comp) != SPVC_SUCCESS)
        failSpvc(m, s.ctx, entry);
    spvc_compiler_options opts = nullptr;
    spvc_compiler_create_compiler_options(comp, &opts);
    spvc_compiler_options_set_uint(opts, SPVC_COMPILER_OPTION_GLSL_VERSION, 450);
    spvc_compiler_options_set_bool(opts, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
    spvc_compiler_options_set_bool(opts, SPVC_COMPILER_OPTION_GLSL_SEPARATE_SHADER_OBJECTS, SPVC_TRUE);
    spvc_compiler_options_set_bool(opts, SPVC_COMPILER_OPTION_GLSL_VULKAN_SEMANTICS, SPVC_FALSE);
    spvc_compiler_install_compiler_options(comp, opts);
    return comp;
}

// Constants: one block, at the register binding of the stage.
void placeConstants(const Module& m, spvc_compiler comp, spvc_resources res, const std::string& entry, Program& prog) {
    const spvc_reflected_resource* list = nullptr;
    size_t count = 0;
    spvc_resources_get_resource_list_for_type(res, SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, &list, &count);
    const bool vertex = prog.stage == Stage::Vertex;
    uint32_t maxBytes = (vertex ? D3DGL_VS_CONSTANT_REGISTERS : D3DGL_PS_CONSTANT_REGISTERS) * 16;
    for (size_t k = 0; k < count; ++k) {
        spvc_compiler_unset_decoration(comp, list[k].id, SpvDecorationDescriptorSet);
        spvc_compiler_set_decoration(comp, list[k].id, SpvDecorationBinding, vertex ? D3DGL_VS_CONSTANTS : D3DGL_PS_CONSTANTS);
        Std140 relayout{comp, {}};
        relayout.structLayout(list[k].base_type_id, false);
        spvc_type bt = typeOf(comp, list[k].base_type_id);
        size_t size = 0;
        spvc_compiler_get_declared_struct_size(comp, bt, &size);
        if (size > maxBytes)
            throw FxError(m.files.where(0, 1) + ": error: '" + entry + "' uses " + std::to_string((size + 15) / 16) +
                          " constant registers, more than the " + std::to_string(maxBytes / 16) + " available");
        prog.registerBytes = static_cast<uint32_t>(size);
        unsigned n = spvc_type_get_num_member_types(bt);
        for (unsigned i = 0; i < n; ++i) {
            unsigned off = 0;
            spvc_compiler_type_struct_member_offset(comp, bt, i, &off);
            const char* name = spvc_compiler_get_member_name(comp, list[k].base_type_id, i);
            prog.constants.push_back({name ? name : "", reflectType(comp, spvc_type_get_member_type(bt, i), bt, i, off)});
        }
    }
}

// Samplers: register order.
void placeSamplers(const Module& m, spvc_compiler comp, spvc_resources res, const std::string& entry, Program& prog) {
    const spvc_reflected_resource* list = nullptr;
    size_t count = 0;
    spvc_resources_get_resource_list_for_type(res, SPVC_RESOURCE_TYPE_SAMPLED_IMAGE, &list, &count);
    const bool vertex = prog.stage == Stage::Vertex;
    for (size_t k = 0; k < count; ++k) {
        uint32_t unit = static_cast<uint32_t>(prog.samplers.size());
        if (unit >= (vertex ? 4u : 16u))
            throw FxError(m.files.where(0, 1) + ": error: '" + entry + "' uses too many samplers");
        spvc_compiler_unset_decoration(comp, list[k].id, SpvDecorationDescriptorSet);
        spvc_compiler_set_decoration(comp, list[k].id, SpvDecorationBinding, vertex ? D3DGL_VERTEX_SAMPLER_UNIT0 + unit : unit);
        prog.samplers.push_back({list[k].name ? list[k].name : "", unit});
    }
}

[[noreturn]] void failSemantic(const Module& m, const std::string& entry, const char* what, const std::string& semantic) {
    std::string msg = m.files.where(0, 1);
    msg.append(": error: '").append(entry).append("': ").append(what).append(" semantic '").append(semantic);
    msg.append("' is not supported");
    throw FxError(msg);
}

// Inputs or outputs, located by semantic.
void placeBySemantic(const Module& m, spvc_compiler comp, spvc_resources res, spvc_resource_type type,
                     int (*loc)(const std::string&), const char* what, const std::string& entry) {
    const spvc_reflected_resource* list = nullptr;
    size_t count = 0;
    spvc_resources_get_resource_list_for_type(res, type, &list, &count);
    for (size_t k = 0; k < count; ++k) {
        const char* sem = spvc_compiler_get_decoration_string(comp, list[k].id, SpvDecorationUserSemantic);
        std::string semantic = sem ? sem : "";
        int l = loc(elementSemantic(comp, list[k], semantic));
        if (l < 0) failSemantic(m, entry, what, semantic);
        spvc_compiler_set_decoration(comp, list[k].id, SpvDecorationLocation, static_cast<unsigned>(l));
    }
}

// The device's pixel-centre shift, after everything main writes.
void addPixelCentreShift(const Module& m, const Spvc& s, const std::string& entry, Program& prog) {
    size_t v = prog.glsl.find('\n');
    prog.glsl.insert(v + 1, D3DGL_DEVICE_BLOCK_GLSL);
    size_t end = prog.glsl.rfind('}');
    if (end == std::string::npos) failSpvc(m, s.ctx, entry);
    prog.glsl.insert(end, "    gl_Position.xy += d3dgl_pixelOffset.xy * gl_Position.w;\n");
}

Program translate(const Module& m, Stage stage, const std::vector<uint32_t>& spirv, const std::string& entry) {
    Program prog;
    prog.stage = stage;
    Spvc s;
    if (spvc_context_create(&s.ctx) != SPVC_SUCCESS) throw FxError("error: out of memory");
    spvc_compiler comp = glslCompiler(m, s, spirv, entry);
    spvc_resources res = nullptr;
    if (spvc_compiler_create_shader_resources(comp, &res) != SPVC_SUCCESS) failSpvc(m, s.ctx, entry);
    try {
        placeConstants(m, comp, res, entry, prog);
        placeSamplers(m, comp, res, entry, prog);
        if (stage == Stage::Vertex) {
            placeBySemantic(m, comp, res, SPVC_RESOURCE_TYPE_STAGE_INPUT, attribLocation, "vertex input", entry);
            placeBySemantic(m, comp, res, SPVC_RESOURCE_TYPE_STAGE_OUTPUT, varyingLocation, "vertex output", entry);
        } else {
            placeBySemantic(m, comp, res, SPVC_RESOURCE_TYPE_STAGE_INPUT, varyingLocation, "pixel input", entry);
            placeBySemantic(m, comp, res, SPVC_RESOURCE_TYPE_STAGE_OUTPUT, targetLocation, "pixel output", entry);
        }
    } catch (const LostType&) {
        failSpvc(m, s.ctx, entry);
    }
    const char* glsl = nullptr;
    if (spvc_compiler_compile(comp, &glsl) != SPVC_SUCCESS) failSpvc(m, s.ctx, entry);
    prog.glsl = glsl;
    if (stage == Stage::Vertex) addPixelCentreShift(m, s, entry, prog);
    return prog;
}

} // namespace

ProgramPtr buildProgram(const Module& m, Stage stage, const Compile& c) {
    std::vector<std::pair<uint16_t, uint32_t>> lines;
    std::string hlsl = programSource(m, stage, c, &lines);
    std::string key = (stage == Stage::Vertex ? "vs\n" : "ps\n") + hlsl;
    {
        std::lock_guard<std::mutex> lock(g_cacheMutex);
        auto it = cache().find(key);
        if (it != cache().end()) return it->second;
    }
    std::vector<uint32_t> spirv = toSpirv(m, stage, hlsl, lines, c.entry);
    auto prog = std::make_shared<Program>(translate(m, stage, spirv, c.entry));
    prog->hlsl = hlsl;
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    cache().emplace(key, prog);
    return prog;
}

uint64_t programCompileCount() { return g_compiles.load(); }

void setCompilerGuard(CompilerGuard guard) { g_guard.store(guard); }

} // namespace fx
