#include "effect_layouts.h"

#include <vector>

namespace {

class Choices {
public:
    Choices(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    unsigned pick(unsigned count) { return count ? (at_ < size_ ? data_[at_++] : 0u) % count : 0; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

enum class Kind { Number, Bool, Matrix, Sampler, Object, Struct };

struct Type {
    Kind kind = Kind::Number;
    std::string text;   // as declared, with its orientation
    unsigned size = 0;  // vector size, 0 for a scalar
    unsigned rows = 0, cols = 0;
    size_t structIndex = 0;
    const char* lookup = nullptr; // samplers: how a shader reads them
};

struct Field {
    Type type;
    std::string name;
    unsigned elements = 0; // 0: no array
};

struct Struct {
    std::string name;
    std::vector<Field> fields;
};

const char* const kNumbers[] = {"float", "int", "half", "uint"};
const char* const kOrientations[] = {"", "row_major ", "column_major "};
const char* const kObjects[] = {"string", "texture", "texture2D", "textureCUBE", "pixelshader", "vertexshader"};
const struct {
    const char* name;
    const char* lookup;
} kSamplers[] = {{"sampler", "tex2D(%, float2(0.5, 0.5)).x"},
                 {"sampler2D", "tex2D(%, float2(0.5, 0.5)).x"},
                 {"samplerCUBE", "texCUBE(%, float3(0, 0, 1)).x"}};

// Mostly 2 to 4; now and then 1, which the compiler refuses for matrices.
unsigned matrixSide(Choices& c) {
    return c.pick(13) == 0 ? 1 : 2 + c.pick(3);
}

Type pickType(Choices& c, const std::vector<Struct>& structs) {
    Type t;
    switch (c.pick(structs.empty() ? 7 : 9)) {
    case 0: case 1: case 2:
        t.size = c.pick(5);
        t.text = kNumbers[c.pick(4)];
        if (t.size == 1 && c.pick(2)) t.text = "vector<" + t.text + ", 1>";
        else if (t.size) t.text += std::to_string(t.size);
        break;
    case 3:
        t.kind = Kind::Bool;
        t.size = c.pick(5);
        t.text = "bool" + (t.size ? std::to_string(t.size) : std::string());
        break;
    case 4: case 5:
        t.kind = Kind::Matrix;
        t.rows = matrixSide(c);
        t.cols = matrixSide(c);
        t.text = std::string(kOrientations[c.pick(3)]) + (c.pick(4) ? "float" : "half") + std::to_string(t.rows) + "x" +
                 std::to_string(t.cols);
        break;
    case 6:
        if (c.pick(2)) {
            const auto& s = kSamplers[c.pick(3)];
            t.kind = Kind::Sampler;
            t.text = s.name;
            t.lookup = s.lookup;
        } else {
            t.kind = Kind::Object;
            t.text = kObjects[c.pick(6)];
        }
        break;
    default:
        t.kind = Kind::Struct;
        t.structIndex = c.pick(static_cast<unsigned>(structs.size()));
        t.text = structs[t.structIndex].name;
        break;
    }
    return t;
}

Field pickField(Choices& c, const std::vector<Struct>& structs, const std::string& name) {
    Field f;
    f.type = pickType(c, structs);
    f.name = name;
    if (c.pick(3) == 0) f.elements = 1 + c.pick(3);
    return f;
}

std::string declaration(const Field& f) {
    std::string d = f.type.text + " " + f.name;
    if (f.elements) d += "[" + std::to_string(f.elements) + "]";
    return d + ";";
}

// Numeric components of one value of the type, as the effect packs them.
unsigned components(const Type& t, const std::vector<Struct>& structs);
unsigned components(const Field& f, const std::vector<Struct>& structs) {
    return components(f.type, structs) * (f.elements ? f.elements : 1);
}
unsigned components(const Type& t, const std::vector<Struct>& structs) {
    switch (t.kind) {
    case Kind::Number: case Kind::Bool: return t.size ? t.size : 1;
    case Kind::Matrix: return t.rows * t.cols;
    case Kind::Sampler: case Kind::Object: return 0;
    case Kind::Struct: break;
    }
    unsigned n = 0;
    for (const Field& m : structs[t.structIndex].fields) n += components(m, structs);
    return n;
}

struct Reads {
    std::vector<std::string> checks;  // true where the number read holds its value
    std::vector<std::string> lookups; // sampler reads, whose texels are not checked
};

// Checks of numbers in `path` of parameter `parameter`, whose first component is `first`.
void addReads(Choices& c, const std::vector<Struct>& structs, const Field& f, const std::string& path, unsigned parameter,
              unsigned first, Reads& out) {
    if (f.elements) {
        Field element = f;
        element.elements = 0;
        const unsigned k = c.pick(f.elements);
        addReads(c, structs, element, path + "[" + std::to_string(k) + "]", parameter,
                 first + k * components(element, structs), out);
        return;
    }
    static const char* const last[] = {"", ".x", ".y", ".z", ".w"};
    const auto value = [&](unsigned component) { return std::to_string(static_cast<int>(layoutValue(parameter, component))); };
    switch (f.type.kind) {
    case Kind::Number:
        out.checks.push_back("(float)(" + path + last[f.type.size] + ") == " + value(first + components(f, structs) - 1));
        break;
    case Kind::Bool: out.checks.push_back("(" + path + last[f.type.size] + ")"); break;
    case Kind::Matrix:
        out.checks.push_back("(float)(" + path + "[" + std::to_string(f.type.rows - 1) + "][" +
                             std::to_string(f.type.cols - 1) + "]) == " + value(first + f.type.rows * f.type.cols - 1));
        break;
    case Kind::Sampler:
        if (c.pick(4) == 0) {
            std::string lookup = f.type.lookup;
            lookup.replace(lookup.find('%'), 1, path);
            out.lookups.push_back(lookup);
        }
        break;
    case Kind::Object: break;
    case Kind::Struct:
        for (const Field& m : structs[f.type.structIndex].fields) {
            if (c.pick(3)) addReads(c, structs, m, path + "." + m.name, parameter, first, out);
            first += components(m, structs);
        }
        break;
    }
}

std::string allHold(const std::vector<std::string>& checks, const char* start) {
    std::string ok = std::string("    bool ok = ") + start + ";\n";
    for (const std::string& k : checks) ok += "    ok = ok && " + k + ";\n";
    return ok;
}

} // namespace

std::string layoutEffect(const uint8_t* data, size_t size) {
    Choices c(data, size);
    std::vector<Struct> structs;
    std::string text;
    for (unsigned s = 0, n = 1 + c.pick(3); s < n; ++s) {
        Struct st;
        st.name = "S" + std::to_string(s);
        for (unsigned m = 0, count = 1 + c.pick(5); m < count; ++m)
            st.fields.push_back(pickField(c, structs, "m" + std::to_string(m)));
        text += "struct " + st.name + " {";
        for (const Field& f : st.fields) text += " " + declaration(f);
        text += " };\n";
        structs.push_back(std::move(st));
    }
    Reads vs, ps;
    for (unsigned p = 0, n = 1 + c.pick(6); p < n; ++p) {
        Field f = pickField(c, structs, "p" + std::to_string(p));
        text += declaration(f) + "\n";
        addReads(c, structs, f, f.name, p, 0, c.pick(3) ? ps : vs);
    }
    text += "struct Checked { float4 position : POSITION; float ok : TEXCOORD1; };\n";
    text += "Checked vs(float4 p : POSITION) {\n" + allHold(vs.checks, "true") +
            "    Checked o;\n    o.position = p;\n    o.ok = ok ? 1 : 0;\n    return o;\n}\n";
    std::string alpha = "1";
    for (const std::string& l : ps.lookups) alpha = "(" + l + " >= 0 ? " + alpha + " : 0.5)";
    text += "float4 ps(Checked i) : COLOR {\n" + allHold(ps.checks, "i.ok > 0.5") +
            "    return float4(ok ? 1 : 0, ok ? 1 : 0, ok ? 1 : 0, " + alpha + ");\n}\n";
    text += "technique T { pass P { VertexShader = compile vs_3_0 vs(); PixelShader = compile ps_3_0 ps(); } }\n";
    return text;
}
