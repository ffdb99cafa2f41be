#pragma once
// Field-by-field reading and writing of the render library's binary records.

#include <algorithm>
#include <cstdint>
#include <vector>

#include <tormakelin/core/Serializer.h>

namespace tormakelin::render::record {

// Reads or writes exactly `size` bytes by the serializer's direction.
inline bool transfer(core::ISerializer* serializer, void* data, unsigned size)
{
    const unsigned done = serializer->isStoring() ? serializer->write(data, size) : serializer->read(data, size);
    return done == size;
}

template <typename T>
bool value(core::ISerializer* serializer, T& field)
{
    return core::serializeValue(serializer, field);
}

// Reads `size` bytes, growing the buffer only as the data arrives, so that a size beyond the
// record's end fails without first asking for that much memory.
inline bool readBytes(core::ISerializer* serializer, unsigned size, std::vector<uint8_t>& out)
{
    constexpr unsigned kChunk = 1u << 20;
    out.clear();
    while (out.size() < size) {
        const unsigned part = unsigned(std::min<size_t>(kChunk, size - out.size()));
        const size_t at = out.size();
        out.resize(at + part);
        if (serializer->read(out.data() + at, part) != part) {
            out.clear();
            return false;
        }
    }
    return true;
}

} // namespace tormakelin::render::record
