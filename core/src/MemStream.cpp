#include <tormakelin/core/MemStream.h>

#include <cstdlib>
#include <cstring>

namespace tormakelin::core {

namespace {

// Room added beyond the written end whenever a stream grows.
constexpr uint32_t kGrowth = 4096;

} // namespace

MemStream::~MemStream() { close(); }

bool MemStream::create(void* data, unsigned int size, bool readOnly, bool owns)
{
    close();
    m_data = static_cast<unsigned char*>(data);
    m_owns = owns;
    m_readOnly = owns ? readOnly : true;
    m_capacity = m_size = data ? size : 0; // no buffer, no bytes to read
    m_position = 0;
    return true;
}

bool MemStream::create(IStream* source, bool readOnly)
{
    if (!source) {
        return false;
    }
    const unsigned int size = source->getSize();
    const unsigned int position = source->getPosition();
    const unsigned int remaining = position < size ? size - position : 0;
    unsigned char* data = nullptr;
    if (remaining > 0) {
        data = static_cast<unsigned char*>(std::malloc(remaining));
        if (!data) {
            return false;
        }
    }
    const unsigned int got = remaining > 0 ? source->read(data, remaining) : 0;
    create(data, got, readOnly, true);
    return true;
}

void MemStream::close()
{
    if (m_owns) {
        std::free(m_data);
    }
    m_data = nullptr;
    m_owns = false;
    m_readOnly = true;
    m_capacity = m_size = m_position = 0;
}

unsigned int MemStream::setPosition(int offset, StreamOrigin origin)
{
    int64_t target = m_position;
    switch (origin) {
    case StreamBegin: target = offset; break;
    case StreamCurrent: target = int64_t(m_position) + offset; break;
    case StreamEnd: target = int64_t(m_size) + offset; break;
    }
    if (target < 0) {
        target = 0;
    } else if (target > int64_t(m_size)) {
        target = m_size;
    }
    m_position = uint32_t(target);
    return m_position;
}

unsigned int MemStream::read(void* buffer, unsigned int length)
{
    if (eof()) {
        return 0;
    }
    const uint32_t count = length < m_size - m_position ? length : m_size - m_position;
    if (buffer && count > 0) {
        std::memcpy(buffer, m_data + m_position, count);
    }
    m_position += count;
    return count;
}

unsigned int MemStream::write(const void* buffer, unsigned int length)
{
    if (m_readOnly || length == 0 || !buffer) {
        return 0;
    }
    const uint64_t end = uint64_t(m_position) + length;
    if (end + kGrowth > UINT32_MAX) {
        return 0;
    }
    if (end > m_capacity) {
        auto* grown = static_cast<unsigned char*>(std::malloc(size_t(end + kGrowth)));
        if (!grown) {
            return 0;
        }
        if (m_size > 0) {
            std::memcpy(grown, m_data, m_size);
        }
        std::free(m_data);
        m_data = grown;
        m_capacity = uint32_t(end + kGrowth);
    }
    std::memcpy(m_data + m_position, buffer, length);
    m_size = m_position = uint32_t(end);
    return length;
}

MemStream* createMemStream(void* data, unsigned int size, bool readOnly, bool owns)
{
    auto* stream = new MemStream;
    stream->create(data, size, readOnly, owns);
    return stream;
}

} // namespace tormakelin::core
