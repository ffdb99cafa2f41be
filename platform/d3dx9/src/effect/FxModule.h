#pragma once
// What the effect front end reads out of preprocessed effect text.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FxToken.h"

namespace fx {

// Parameter class and type with the numeric values of the effect API.
enum class PClass : uint32_t { Scalar = 0, Vector, MatrixRows, MatrixColumns, Object, Struct };
enum class PType : uint32_t {
    Void = 0, Bool, Int, Float, String, Texture, Texture1D, Texture2D, Texture3D, TextureCube,
    Sampler, Sampler1D, Sampler2D, Sampler3D, SamplerCube, PixelShader, VertexShader
};

struct Member;

struct TypeDesc {
    PClass cls = PClass::Scalar;
    PType type = PType::Void;
    uint32_t rows = 1, cols = 1;
    uint32_t elements = 0;            // 0: not an array
    std::string structName;
    std::vector<Member> members;      // structs

    bool isObject() const { return cls == PClass::Object; }
    bool isNumeric() const { return cls != PClass::Object && cls != PClass::Struct; }
    uint32_t count() const { return elements ? elements : 1; }
    uint32_t elementBytes() const;    // tightly packed size of one element
    uint32_t bytes() const { return elementBytes() * count(); }
    uint64_t bytes64() const;         // without overflow, for size checks
    uint64_t nodes() const;           // members counted through nested structs
};

struct Member {
    std::string name;
    std::string semantic;
    TypeDesc type;
    size_t semanticToken = 0;         // token index of the semantic, 0 when none
    size_t declBegin = 0, declEnd = 0; // tokens of the declaration it shares with its neighbours
};

struct StateAssign {
    std::string name;
    int index = -1;                   // [n], -1 when not given
    size_t valBegin = 0, valEnd = 0;  // value tokens
    size_t at = 0;                    // token of the name, for messages
};

struct Variable;

// A constant value: numbers flattened in declaration order, or a string.
struct Value {
    std::vector<double> numbers;
    std::string text;
    bool isString = false;
};

struct Annotation {
    std::string name;
    TypeDesc type;
    Value value;
};

struct Compile {
    std::string profile;              // vs_2_0 ...
    std::string entry;
    std::vector<std::pair<size_t, size_t>> args; // token ranges
    size_t at = 0;
};

struct Variable {
    std::string name;
    std::string semantic;
    TypeDesc type;
    bool isStatic = false, isShared = false, isConst = false, rowMajor = false, columnMajor = false;
    size_t typeBegin = 0, typeEnd = 0; // type tokens (after storage qualifiers)
    std::vector<std::pair<size_t, size_t>> dims; // array dimension tokens
    size_t initBegin = 0, initEnd = 0; // initializer tokens, empty when none
    bool samplerState = false;
    std::vector<StateAssign> samplerStates;
    std::vector<Annotation> annotations;
    bool hasCompile = false;
    Compile compile;
    size_t at = 0;
};

struct FuncParam {
    std::string name;
    std::string semantic;
    std::vector<std::string> mods;    // in, out, inout, uniform, const ...
    size_t typeBegin = 0, typeEnd = 0;
    std::string typeName;             // last type token (for struct lookups)
    std::vector<std::pair<size_t, size_t>> dims;
    bool isOut() const;
    bool isUniform() const;
};

struct Function {
    std::string name;
    std::string returnType;
    size_t retBegin = 0, retEnd = 0;
    std::string semantic;
    std::vector<FuncParam> params;
    bool hasBody = false;
};

struct Pass {
    std::string name;
    std::vector<Annotation> annotations;
    std::vector<StateAssign> states;
};

struct Technique {
    std::string name;
    std::vector<Annotation> annotations;
    std::vector<Pass> passes;
};

enum class DeclKind { Struct, Variable, Function, Technique, Typedef };

struct Decl {
    DeclKind kind = DeclKind::Variable;
    size_t begin = 0, end = 0;        // tokens [begin, end)
    std::string name;
    int index = -1;                   // into the module's list of that kind
};

struct StructDef {
    std::string name;
    std::vector<Member> members;
    size_t begin = 0, end = 0;
};

struct Module {
    Tokens tokens;
    FileTable files;
    std::vector<Decl> decls;
    std::vector<StructDef> structs;
    std::vector<Variable> variables;
    std::vector<Function> functions;
    std::vector<Technique> techniques;
    std::vector<std::pair<std::string, TypeDesc>> typedefs;

    const StructDef* findStruct(const std::string& name) const;
    const Variable* findVariable(const std::string& name) const;
    std::string where(size_t tok) const { return tok < tokens.size() ? files.where(tokens[tok]) : files.where(0, 1, 1); }
    [[noreturn]] void fail(size_t tok, const std::string& msg) const;
};

// Parses preprocessed tokens (moved into the module). Throws FxError.
void parseModule(Module& m);
// Refuses ++ and -- after a value (a call, a literal, a bracketed expression).
void checkIncrementOperands(const Tokens& toks, const FileTable& files);

// Resolves a name in a value expression (state enumerators, parameters); false when unknown.
using Resolver = std::function<bool(const std::string& name, std::vector<double>& out)>;

// Evaluates a constant expression to flattened numbers; throws FxError at a located token.
Value evalConstant(const Module& m, size_t begin, size_t end, const Resolver* resolve = nullptr);

// Type from a type name ("float4x4", "sampler2D", a struct ...); false when unknown.
bool typeFromName(const Module& m, const std::string& name, TypeDesc& out);

} // namespace fx
