#pragma once
// Reference counting shared by every object of the layer.

#include <atomic>
#include <cstring>
#include <type_traits>
#include <typeinfo>

#include "d3d9.h"

namespace d3d9gl {

inline bool isUnknownIid(REFIID iid) {
    static const GUID unknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    return std::memcmp(&iid, &unknown, sizeof(GUID)) == 0;
}

// Starts at one reference, held by the creator.
template <class Interface>
class ComObject : public Interface {
public:
    virtual ~ComObject() = default;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_INVALIDARG;
        if (isUnknownIid(iid)) {
            *object = static_cast<IUnknown*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<ULONG> refs_{1};
};

// Our object of class Ours behind an interface pointer; null for null and for an object of any
// other class, someone else's implementation among them. One comparison of type identities, where
// dynamic_cast walks the class graph.
template <class Ours, class Interface>
Ours* ours(Interface* object) {
    static_assert(std::is_final_v<Ours> && std::is_base_of_v<Interface, Ours>);
    if (!object || typeid(*object) != typeid(Ours)) return nullptr;
    return static_cast<Ours*>(object);
}

template <class T>
void safeRelease(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

// Replaces a held reference with another, taking a reference to the new one first.
template <class T>
void assignRef(T*& slot, T* object) {
    if (object) object->AddRef();
    if (slot) slot->Release();
    slot = object;
}

}  // namespace d3d9gl
