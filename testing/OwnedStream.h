#pragma once
// Bytes as a read-only memory stream of their own: the bytes need live only for the call, the
// stream may be kept longer by what is made from it.

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tormakelin::test {

// A read-only memory stream owning a copy of `size` bytes (one more allocated, so none is empty).
inline core::SmartRef<core::IStream> ownedInputStream(const void* data, size_t size)
{
    void* copy = std::malloc(size + 1);
    if (size > 0) {
        std::memcpy(copy, data, size);
    }
    return core::SmartRef<core::IStream>(core::createMemStream(copy, unsigned(size), true, true));
}

inline core::SmartRef<core::IStream> textStream(const std::string& text)
{
    return ownedInputStream(text.data(), text.size());
}

} // namespace tormakelin::test
