#include "FxParams.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fx {
namespace {

// Zero unless every part of p is made of floats alone.
uint32_t floatsOf(const Param& p) {
    if (p.type.cls == PClass::Object) return 0;
    const auto& parts = !p.elements.empty() ? p.elements : p.members;
    if (parts.empty()) return p.type.cls == PClass::Struct || p.type.type != PType::Float ? 0 : p.type.rows * p.type.cols;
    uint32_t n = 0;
    for (const auto& q : parts) {
        if (!q->floats) return 0;
        n += q->floats;
    }
    return n;
}

} // namespace

Storage::~Storage() {
    if (texture) texture->Release();
}

void Storage::setTexture(IDirect3DBaseTexture9* t) {
    if (t) t->AddRef();
    if (texture) texture->Release();
    texture = t;
}

std::unique_ptr<Param> makeParam(const std::string& name, const std::string& semantic, const TypeDesc& type,
                                 const std::shared_ptr<Storage>& storage, uint32_t offset) {
    auto p = std::make_unique<Param>();
    p->name = name;
    p->semantic = semantic;
    p->type = type;
    p->storage = storage;
    p->offset = offset;
    if (type.elements) {
        TypeDesc et = type;
        et.elements = 0;
        uint32_t step = et.bytes();
        for (uint32_t k = 0; k < type.elements; ++k)
            p->elements.push_back(makeParam(name, semantic, et, storage, offset + k * step));
    } else if (type.cls == PClass::Struct) {
        uint32_t o = offset;
        for (const auto& m : type.members) {
            p->members.push_back(makeParam(m.name, m.semantic, m.type, storage, o));
            o += m.type.bytes();
        }
    }
    p->floats = floatsOf(*p);
    return p;
}

std::unique_ptr<Param> makeAnnotation(const Annotation& a) {
    auto s = std::make_shared<Storage>();
    s->type = a.type;
    s->bytes.assign(a.type.isNumeric() ? a.type.bytes() : 0, 0);
    auto p = makeParam(a.name, "", a.type, s, 0);
    p->flags = 0x4; // annotation
    if (a.value.isString) s->text = a.value.text;
    else if (a.type.isNumeric()) writeNumbers(*p, a.value.numbers.data(), static_cast<uint32_t>(a.value.numbers.size()));
    return p;
}

namespace {

// Visits the numeric components in packed order (elements and members depth first, objects
// skipped) without making a list: a parameter write happens for every draw and must not
// allocate. Each component is found in its own leaf's values, since an object member between
// numbers takes room in the store but no number. False once `count` are visited.
template <typename Fn>
bool visitComponents(Param& p, uint32_t count, uint32_t& k, Fn& fn) {
    if (p.type.cls == PClass::Object) return true;
    if (!p.elements.empty()) {
        for (const auto& e : p.elements)
            if (!visitComponents(*e, count, k, fn)) return false;
        return true;
    }
    if (p.type.cls == PClass::Struct) {
        for (const auto& m : p.members)
            if (!visitComponents(*m, count, k, fn)) return false;
        return true;
    }
    uint8_t* d = p.data();
    const uint32_t n = p.type.rows * p.type.cols;
    for (uint32_t i = 0; i < n; ++i, ++k) {
        if (k >= count) return false;
        fn(d + size_t{4} * i, p.type.type, k);
    }
    return true;
}

template <typename Fn>
uint32_t eachComponent(Param& p, uint32_t count, Fn fn) {
    uint32_t k = 0;
    visitComponents(p, count, k, fn);
    return k;
}

void store(uint8_t* slot, PType t, double v) {
    if (t == PType::Float) {
        float f = static_cast<float>(v);
        std::memcpy(slot, &f, 4);
    } else {
        int32_t i;
        if (t == PType::Bool) i = v != 0 ? 1 : 0;
        else if (!std::isfinite(v)) i = 0;
        else i = static_cast<int32_t>(std::fmax(-2147483648.0, std::fmin(2147483647.0, std::trunc(v))));
        std::memcpy(slot, &i, 4);
    }
}

double load(const uint8_t* slot, PType t) {
    if (t == PType::Float) {
        float f;
        std::memcpy(&f, slot, 4);
        return f;
    }
    int32_t i;
    std::memcpy(&i, slot, 4);
    return t == PType::Bool ? (i != 0) : i;
}

} // namespace

uint32_t writeNumbers(Param& p, const double* v, uint32_t count) {
    return eachComponent(p, count, [&](uint8_t* s, PType t, uint32_t k) { store(s, t, v[k]); });
}

uint32_t writeFloats(Param& p, const float* v, uint32_t count) {
    if (p.floats) {
        const uint32_t n = std::min(count, p.floats);
        // Single floats and float4s are the most common writes: fixed sizes copy without a call.
        if (n == 1) std::memcpy(p.data(), v, 4);
        else if (n == 4) std::memcpy(p.data(), v, 16);
        else if (n) std::memcpy(p.data(), v, size_t{4} * n);
        return n;
    }
    return eachComponent(p, count, [&](uint8_t* s, PType t, uint32_t k) {
        if (t == PType::Float) std::memcpy(s, &v[k], 4);
        else store(s, t, v[k]);
    });
}

uint32_t writeInts(Param& p, const int* v, uint32_t count, bool asBool) {
    return eachComponent(p, count, [&](uint8_t* s, PType t, uint32_t k) {
        store(s, t, asBool ? (v[k] != 0) : v[k]);
    });
}

uint32_t readFloats(Param& p, float* v, uint32_t count) {
    if (p.floats) {
        const uint32_t n = std::min(count, p.floats);
        if (n) std::memcpy(v, p.data(), size_t{4} * n);
        return n;
    }
    return eachComponent(p, count, [&](uint8_t* s, PType t, uint32_t k) { v[k] = static_cast<float>(load(s, t)); });
}

uint32_t readInts(Param& p, int* v, uint32_t count) {
    return eachComponent(p, count, [&](uint8_t* s, PType t, uint32_t k) {
        double d = load(s, t);
        v[k] = t == PType::Float ? static_cast<int>(std::fmax(-2147483648.0, std::fmin(2147483647.0, std::isfinite(d) ? d : 0)))
                                 : static_cast<int>(d);
    });
}

} // namespace fx
