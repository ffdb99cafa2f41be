#include <tormakelin/core/Serializer.h>
#include <tormakelin/core/Stream.h>

#include <cstdint>

namespace tormakelin::core {

Serializer::~Serializer() {
    if (m_stream) {
        m_stream->release();
    }
}

bool Serializer::create(IStream* stream, bool storing) {
    if (!stream) {
        return false;
    }
    // The new reference first: attaching the same stream again must not free it.
    stream->addRef();
    if (m_stream) {
        m_stream->release();
    }
    m_stream = stream;
    m_storing = storing;
    return true;
}

void Serializer::storing(bool storing) {
    m_storing = storing;
    if (m_stream) {
        m_stream->setPosition(0, StreamBegin);
    }
}

unsigned int Serializer::read(void* data, unsigned int length) {
    return m_stream ? m_stream->read(data, length) : 0;
}

unsigned int Serializer::write(const void* data, unsigned int length) {
    return m_stream ? m_stream->write(data, length) : 0;
}

bool Serializer::readString(std::string& text) {
    text.clear();
    uint32_t length = 0;
    if (!m_stream || read(&length, sizeof length) != sizeof length) {
        return false;
    }
    unsigned int size = m_stream->getSize(), position = m_stream->getPosition();
    unsigned int remaining = position < size ? size - position : 0;
    if (length > remaining) {
        return false;
    }
    text.resize(length);
    if (length > 0 && read(text.data(), length) != length) {
        text.clear();
        return false;
    }
    return true;
}

bool Serializer::writeString(const std::string& text) {
    uint32_t length = static_cast<uint32_t>(text.size());
    if (write(&length, sizeof length) != sizeof length) {
        return false;
    }
    return length == 0 || write(text.data(), length) == length;
}

ISerializer* createSerializer(IStream* stream, bool storing) {
    auto* serializer = new Serializer;
    if (!serializer->create(stream, storing)) {
        delete serializer;
        return nullptr;
    }
    return serializer;
}

}  // namespace tormakelin::core
