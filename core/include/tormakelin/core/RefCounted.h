#pragma once
// Reference counting shared by every interface of every library.
//
// An interface declares, in this order: `virtual int addRef() = 0;`, `virtual int release() = 0;`,
// its own operations, and last a virtual destructor. An implementation derives from
// RefCounted<IThing>, which supplies the count and both operations. Factories hand out objects
// with a count of 0: the first holder's addRef makes it 1, and the release that brings it back
// to 0 deletes the object. Counting is not atomic: objects belong to one thread.
//
// A release with no reference left is a fault of the caller. Checked builds (debug builds, and
// the sanitizer build, which defines TORMAKELIN_CHECKED_REFCOUNTS) stop there with the type's
// name; other builds leave the count at 0 and the object alive rather than delete it twice.

#include <tormakelin/core/Export.h>

#include <cstdint>
#include <typeinfo>

#if !defined(TORMAKELIN_CHECKED_REFCOUNTS) && !defined(NDEBUG)
#define TORMAKELIN_CHECKED_REFCOUNTS 1
#endif

namespace tormakelin::core {

namespace detail {
// Writes which type was released once too often and aborts.
[[noreturn]] TORMAKELIN_CORE_API void refCountUnderflow(std::type_info const& type);
} // namespace detail

// The count of one object. `drop` answers the count after one release.
class RefCount {
public:
    int add() { return ++m_count; }
    int drop([[maybe_unused]] std::type_info const& type)
    {
        if (m_count <= 0) {
#if TORMAKELIN_CHECKED_REFCOUNTS
            detail::refCountUnderflow(type);
#endif
            return 0;
        }
        return --m_count;
    }
    int get() const { return m_count; }

private:
    int32_t m_count = 0;
};

template <class Interface>
class __attribute__((visibility("default"))) RefCounted : public Interface {
public:
    using Interface::Interface;

    int addRef() override { return m_refCount.add(); }

// g++ 12 follows the count through inlined holders and cannot tell that the release which
// deletes is the last one: its use-after-free warning here is a false alarm.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuse-after-free"
#endif
    int release() override
    {
        const bool last = m_refCount.get() == 1;
        const int count = m_refCount.drop(typeid(*this));
        if (last) {
            delete this;
        }
        return count;
    }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

    int getRefCount() const { return m_refCount.get(); }

private:
    RefCount m_refCount;
};

} // namespace tormakelin::core
