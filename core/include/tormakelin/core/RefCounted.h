#pragma once
// Reference counting shared by every interface of every library.
//
// An interface declares, in this order: `virtual int addRef() = 0;`, `virtual int release() = 0;`,
// its own operations, and last a virtual destructor. An implementation derives from
// RefCounted<IThing>, which supplies the count and both operations. Factories hand out objects
// with a count of 0: the first holder's addRef makes it 1, and the release that brings it back
// to 0 deletes the object. Counting is not atomic: objects belong to one thread.

#include <cstdint>

namespace tormakelin::core {

template <class Interface>
class __attribute__((visibility("default"))) RefCounted : public Interface {
public:
    using Interface::Interface;

    int addRef() override { return ++m_refCount; }

// g++ 12 follows the count through inlined holders and cannot tell that the release which
// deletes is the last one: its use-after-free warning here is a false alarm.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuse-after-free"
#endif
    int release() override
    {
        const int count = --m_refCount;
        if (count == 0) {
            delete this;
        }
        return count;
    }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

    int getRefCount() const { return m_refCount; }

private:
    int32_t m_refCount = 0;
};

} // namespace tormakelin::core
