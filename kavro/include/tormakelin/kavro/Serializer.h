#pragma once
// The scene file's serializer: the core binary serializer plus a mode and an option word.

#include <cstdint>

#include <tormakelin/core/Serializer.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/kavro/Export.h>

namespace tormakelin::kavro {

class ISceneGraph;

// The direction of a SerializerParams::mode; any value but store loads.
enum SerializerMode : uint32_t { SerializerMode_Load = 0, SerializerMode_Store = 1 };

struct SerializerParams {
    uint32_t mode = SerializerMode_Load;
    uint32_t options = 0;  // passed to the vertex-stream records when storing
};

class TORMAKELIN_KAVRO_API Serializer : public core::Serializer {
public:
    bool create(core::IStream* stream, const SerializerParams& params);
    uint32_t getMode() const { return m_mode; }
    uint32_t getOptions() const { return m_options; }
    // Bytes left between the stream position and its end.
    uint64_t remaining();
    // Loading: false when `count` records of at least `minBytes` each cannot fit in what is left.
    bool fits(uint64_t count, uint64_t minBytes);

private:
    uint32_t m_mode = 0;
    uint32_t m_options = 0;
};

// A persisted cross reference: an id, and the object once resolved (not counted).
template <class T>
struct ObjectRef {
    core::UniqueId id{};
    T* object = nullptr;

    void set(T* target)
    {
        object = target;
        id = target ? target->getId() : core::UniqueId{};
    }
    void clear() { set(nullptr); }
    // The object found for the id, or the null id and no object.
    template <class Find>
    void resolveWith(Find find)
    {
        object = isNullUniqueId(id) ? nullptr : find(id);
        if (object == nullptr) {
            id = core::UniqueId{};
        }
    }
};

namespace io {
// One fixed-width value by the serializer's direction.
template <typename T>
bool value(core::ISerializer* serializer, T& field)
{
    return core::serializeValue(serializer, field);
}
inline bool bytes(core::ISerializer* serializer, void* data, unsigned size)
{
    const unsigned done = serializer->isStoring() ? serializer->write(data, size) : serializer->read(data, size);
    return done == size;
}
inline bool id(core::ISerializer* serializer, core::UniqueId& uid) { return bytes(serializer, &uid, sizeof uid); }
inline bool text(core::ISerializer* serializer, std::string& s)
{
    return serializer->isStoring() ? serializer->writeString(s) : serializer->readString(s);
}
// A count: written from `size`, read into `count` and checked against the bytes left.
TORMAKELIN_KAVRO_API bool count(Serializer* serializer, uint32_t& count, uint64_t minRecordBytes);
}  // namespace io

}  // namespace tormakelin::kavro
