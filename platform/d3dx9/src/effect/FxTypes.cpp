#include <algorithm>
#include <cctype>
#include <cstring>

#include "FxModule.h"

namespace fx {

uint32_t TypeDesc::elementBytes() const {
    if (cls == PClass::Struct) {
        uint32_t n = 0;
        for (const auto& m : members) n += m.type.bytes();
        return n;
    }
    if (cls == PClass::Object) return static_cast<uint32_t>(sizeof(void*));
    return rows * cols * 4;
}

uint64_t TypeDesc::bytes64() const {
    uint64_t one = 0;
    if (cls == PClass::Struct) {
        for (const auto& m : members) one += m.type.bytes64();
    } else if (cls == PClass::Object) {
        one = sizeof(void*);
    } else {
        one = uint64_t(rows) * cols * 4;
    }
    return one * count();
}

uint64_t TypeDesc::nodes() const {
    uint64_t n = 1;
    for (const auto& m : members) n += m.type.nodes();
    return n;
}

bool FuncParam::isOut() const {
    return std::find(mods.begin(), mods.end(), "out") != mods.end() ||
           std::find(mods.begin(), mods.end(), "inout") != mods.end();
}

bool FuncParam::isUniform() const { return std::find(mods.begin(), mods.end(), "uniform") != mods.end(); }

const StructDef* Module::findStruct(const std::string& name) const {
    for (const auto& s : structs)
        if (s.name == name) return &s;
    return nullptr;
}

const Variable* Module::findVariable(const std::string& name) const {
    for (const auto& v : variables)
        if (v.name == name) return &v;
    return nullptr;
}

void Module::fail(size_t tok, const std::string& msg) const { throw FxError(where(tok) + ": error: " + msg); }

namespace {


bool objectType(const std::string& n, PType& t) {
    static const std::pair<const char*, PType> k[] = {
        {"texture", PType::Texture}, {"texture1D", PType::Texture1D}, {"texture2D", PType::Texture2D},
        {"texture3D", PType::Texture3D}, {"textureCUBE", PType::TextureCube}, {"sampler", PType::Sampler},
        {"sampler1D", PType::Sampler1D}, {"sampler2D", PType::Sampler2D}, {"sampler3D", PType::Sampler3D},
        {"samplerCUBE", PType::SamplerCube}, {"string", PType::String}, {"pixelshader", PType::PixelShader},
        {"vertexshader", PType::VertexShader}};
    for (const auto& e : k)
        if (ieq(n, e.first)) { t = e.second; return true; }
    return false;
}

} // namespace

bool typeFromName(const Module& m, const std::string& name, TypeDesc& out) {
    out = TypeDesc{};
    PType ot;
    if (objectType(name, ot)) {
        out.cls = PClass::Object;
        out.type = ot;
        return true;
    }
    if (const StructDef* s = m.findStruct(name)) {
        out.cls = PClass::Struct;
        out.type = PType::Void;
        out.structName = name;
        out.members = s->members;
        return true;
    }
    for (auto it = m.typedefs.rbegin(); it != m.typedefs.rend(); ++it)
        if (it->first == name) { out = it->second; return true; }
    if (name == "void") { out.cls = PClass::Scalar; out.type = PType::Void; return true; }
    if (name == "vector") { out.cls = PClass::Vector; out.type = PType::Float; out.cols = 4; return true; }
    if (name == "matrix") { out.cls = PClass::MatrixColumns; out.type = PType::Float; out.rows = out.cols = 4; return true; }
    static const std::pair<const char*, PType> bases[] = {
        {"float", PType::Float}, {"half", PType::Float}, {"double", PType::Float}, {"int", PType::Int},
        {"uint", PType::Int}, {"dword", PType::Int}, {"DWORD", PType::Int}, {"bool", PType::Bool},
        {"min16float", PType::Float}, {"min10float", PType::Float}, {"min16int", PType::Int}};
    for (const auto& b : bases) {
        size_t n = std::strlen(b.first);
        if (name.compare(0, n, b.first) != 0) continue;
        std::string rest = name.substr(n);
        out.type = b.second;
        if (rest.empty()) { out.cls = PClass::Scalar; return true; }
        auto digit = [](char c) { return c >= '1' && c <= '4'; };
        if (rest.size() == 1 && digit(rest[0])) {
            out.cls = PClass::Vector;
            out.cols = static_cast<uint32_t>(rest[0] - '0');
            return true;
        }
        if (rest.size() == 3 && digit(rest[0]) && rest[1] == 'x' && digit(rest[2])) {
            out.cls = PClass::MatrixColumns;
            out.rows = static_cast<uint32_t>(rest[0] - '0');
            out.cols = static_cast<uint32_t>(rest[2] - '0');
            return true;
        }
    }
    return false;
}

} // namespace fx
