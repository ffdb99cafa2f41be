#pragma once
// Parameter values of an effect: one packed store per top-level parameter, shared through a
// pool for "shared" parameters, with a tree of members, elements and annotations over it.
#include <memory>
#include <string>
#include <vector>

#include "FxModule.h"
#include "d3d9.h"

namespace fx {

struct Storage {
    std::vector<uint8_t> bytes;   // values packed in declaration order, 4 bytes per component
    IDirect3DBaseTexture9* texture = nullptr; // one reference held
    std::string text;
    TypeDesc type;                // of the top-level parameter (pool compatibility)
    Storage() = default;
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;
    ~Storage();
    void setTexture(IDirect3DBaseTexture9* t);
};

struct Param {
    std::string name, semantic;
    TypeDesc type;                // an element's type has elements == 0
    DWORD flags = 0;
    std::shared_ptr<Storage> storage;
    uint32_t offset = 0;          // into storage->bytes
    const Variable* var = nullptr; // top level only
    std::vector<std::unique_ptr<Param>> annotations;
    std::vector<std::unique_ptr<Param>> members;
    std::vector<std::unique_ptr<Param>> elements;
    const void* handle = nullptr; // the effect's slot for it, set once the effect is built
    // Its component count when every component is a float, 0 otherwise: such a parameter is
    // read and written with one copy, as its floats are packed in order.
    uint32_t floats = 0;

    uint32_t components() const { return type.bytes() / 4; }
    uint8_t* data() { return storage->bytes.data() + offset; }
};

// Builds the tree of a parameter over the given storage.
std::unique_ptr<Param> makeParam(const std::string& name, const std::string& semantic, const TypeDesc& type,
                                 const std::shared_ptr<Storage>& storage, uint32_t offset);

// An annotation as a parameter with its own storage.
std::unique_ptr<Param> makeAnnotation(const Annotation& a);

// Writes numbers into the numeric components of p in order, converting to each component's
// type; returns how many were written.
uint32_t writeNumbers(Param& p, const double* v, uint32_t count);
uint32_t writeFloats(Param& p, const float* v, uint32_t count);
uint32_t writeInts(Param& p, const int* v, uint32_t count, bool asBool);
uint32_t readFloats(Param& p, float* v, uint32_t count);
uint32_t readInts(Param& p, int* v, uint32_t count);

} // namespace fx
