#pragma once
// The fuzzer's bytes as a stream of their own: the input lives only for the call, what is made
// from it may keep the stream longer.

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tormakelin::test {

// A read-only memory stream owning a copy of `size` bytes (one more allocated, so none is empty).
inline core::SmartRef<core::IStream> ownedInputStream(const uint8_t* data, size_t size)
{
    void* copy = std::malloc(size + 1);
    if (size > 0) {
        std::memcpy(copy, data, size);
    }
    return core::SmartRef<core::IStream>(core::createMemStream(copy, unsigned(size), true, true));
}

} // namespace tormakelin::test
