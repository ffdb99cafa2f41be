#pragma once
// Binary persistence over one stream: one object either stores or loads, so each persisted
// class writes a single serialize operation for both directions. Values are little-endian with
// no padding; strings are a uint32 length and their bytes.

#include <tormakelin/core/Export.h>
#include <tormakelin/core/RefCounted.h>

#include <string>

namespace tormakelin::core {

class IStream;

class TORMAKELIN_CORE_API ISerializer {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // Sets the direction and rewinds the stream.
    virtual void storing(bool storing) = 0;
    virtual bool isStoring() = 0;
    virtual unsigned int read(void* data, unsigned int length) = 0;
    virtual unsigned int write(const void* data, unsigned int length) = 0;
    // False (and an empty string) when the length or the bytes are not all there.
    virtual bool readString(std::string& text) = 0;
    virtual bool writeString(const std::string& text) = 0;
    virtual ~ISerializer() = default;
};

class TORMAKELIN_CORE_API Serializer : public RefCounted<ISerializer> {
public:
    Serializer() = default;
    ~Serializer() override;
    Serializer(const Serializer&) = delete;
    Serializer& operator=(const Serializer&) = delete;

    // Attaches the stream (one reference) in place of any previous one; the position stays.
    bool create(IStream* stream, bool storing);
    // Storing: a new file, truncated. Loading: the file system's file.
    bool create(const std::string& fileName, bool storing);

    void storing(bool storing) override;
    bool isStoring() override { return m_storing; }
    unsigned int read(void* data, unsigned int length) override;
    unsigned int write(const void* data, unsigned int length) override;
    bool readString(std::string& text) override;
    bool writeString(const std::string& text) override;

    IStream* getStream() const { return m_stream; }

private:
    bool m_storing = false;
    IStream* m_stream = nullptr;
};

// A new serializer (count 0), or null when there is no stream or the file cannot be had.
TORMAKELIN_CORE_API ISerializer* createSerializer(IStream* stream, bool storing);
TORMAKELIN_CORE_API ISerializer* createSerializer(const std::string& fileName, bool storing);

// Reads or writes one fixed-width value by the serializer's direction; false when short.
template <typename T>
bool serializeValue(ISerializer* serializer, T& value) {
    unsigned int done = serializer->isStoring() ? serializer->write(&value, sizeof value)
                                                : serializer->read(&value, sizeof value);
    return done == sizeof value;
}

}  // namespace tormakelin::core
