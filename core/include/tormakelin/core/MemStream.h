#pragma once
// A stream over a memory buffer. Owned buffers are freed with std::free, so a buffer handed
// over with `owns` must come from std::malloc (or be null with size 0).

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/Stream.h>

#include <cstdint>

namespace tormakelin::core {

class TORMAKELIN_CORE_API MemStream : public RefCounted<IStream> {
public:
    MemStream() = default;
    ~MemStream() override;
    MemStream(const MemStream&) = delete;
    MemStream& operator=(const MemStream&) = delete;

    // Wraps the buffer. A stream that does not own its buffer is always read-only.
    bool create(void* data, unsigned int size, bool readOnly, bool owns);
    // A copy of the bytes from the source's current position to its end.
    bool create(IStream* source, bool readOnly);
    void close();

    void* getData() override { return m_data; }
    unsigned int getSize() override { return m_size; }
    unsigned int getPosition() override { return m_position; }
    unsigned int setPosition(int offset, StreamOrigin origin) override;
    unsigned int read(void* buffer, unsigned int length) override;
    // Writing ends the content at the end of the written range.
    unsigned int write(const void* buffer, unsigned int length) override;
    bool eof() override { return m_position >= m_size; }

    unsigned int getCapacity() const { return m_capacity; }
    bool isReadOnly() const { return m_readOnly; }
    bool ownsData() const { return m_owns; }

private:
    unsigned char* m_data = nullptr;
    bool m_owns = false;
    bool m_readOnly = true;
    uint32_t m_capacity = 0;
    uint32_t m_size = 0;
    uint32_t m_position = 0;
};

// A new stream (count 0) over the buffer, as MemStream::create.
TORMAKELIN_CORE_API MemStream* createMemStream(void* data, unsigned int size, bool readOnly, bool owns);

} // namespace tormakelin::core
