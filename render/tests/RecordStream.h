#pragma once
// A serializer over a growing memory stream: store a record, look at its bytes, load it back.

#include <cstdlib>
#include <cstring>
#include <vector>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/Serializer.h>
#include <tormakelin/core/SmartRef.h>

namespace render_test {

class RecordStream {
public:
    RecordStream() { open(nullptr, 0); }

    explicit RecordStream(const std::vector<uint8_t>& bytes)
    {
        void* copy = std::malloc(bytes.empty() ? 1 : bytes.size());
        std::memcpy(copy, bytes.data(), bytes.size());
        open(copy, unsigned(bytes.size()));
        serializer->storing(false);
    }

    std::vector<uint8_t> bytes() const
    {
        const auto* data = static_cast<const uint8_t*>(stream->getData());
        return std::vector<uint8_t>(data, data + stream->getSize());
    }

    // Switches to loading from the start.
    tormakelin::core::ISerializer* load()
    {
        serializer->storing(false);
        return serializer.get();
    }

    tormakelin::core::SmartRef<tormakelin::core::IStream> stream;
    tormakelin::core::SmartRef<tormakelin::core::ISerializer> serializer;

private:
    void open(void* data, unsigned size)
    {
        stream = tormakelin::core::createMemStream(data, size, false, true);
        serializer = tormakelin::core::createSerializer(stream.get(), true);
    }
};

} // namespace render_test
