#pragma once
// 16-byte identifier of every persisted object and plug-in type.

#include <tormakelin/core/Export.h>

#include <cstdint>
#include <string>

namespace tormakelin::core {

struct UniqueId {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};
static_assert(sizeof(UniqueId) == 16);

// Ordered by the 16 stored bytes as unsigned values, first difference deciding.
TORMAKELIN_CORE_API bool uniqueIdLess(const UniqueId& a, const UniqueId& b);
TORMAKELIN_CORE_API bool operator==(const UniqueId& a, const UniqueId& b);
inline bool operator!=(const UniqueId& a, const UniqueId& b) { return !(a == b); }
inline bool operator<(const UniqueId& a, const UniqueId& b) { return uniqueIdLess(a, b); }

struct UniqueIdLess {
    bool operator()(const UniqueId& a, const UniqueId& b) const { return uniqueIdLess(a, b); }
};

TORMAKELIN_CORE_API bool isNullUniqueId(const UniqueId& id);

// A new time-based (version 1) id.
TORMAKELIN_CORE_API void generateUniqueId(UniqueId& out);

// The MD5 digest of the bytes, copied unchanged into the id.
TORMAKELIN_CORE_API UniqueId getMD5UniqueId(const void* data, unsigned int length);

// "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X": always 36 characters.
TORMAKELIN_CORE_API std::string uniqueIdToString(const UniqueId& id);

// False (and `out` untouched) unless the text is 36 characters long.
TORMAKELIN_CORE_API bool stringToUniqueId(const std::string& text, UniqueId& out);
// The null id when the text does not parse.
TORMAKELIN_CORE_API UniqueId stringToUniqueId(const std::string& text);

// The generator behind generateUniqueId, with its clock replaceable so that its tick handling
// can be exercised. The clock returns 100-ns intervals since 1601-01-01 (the Windows file time).
class TORMAKELIN_CORE_API UniqueIdGenerator {
public:
    using Clock = uint64_t (*)();
    explicit UniqueIdGenerator(Clock clock = nullptr);

    void generate(UniqueId& out);
    uint16_t getClockSequence() const { return m_clockSequence; }

private:
    void initialise(uint64_t timestamp);
    uint64_t readTimestamp() const;

    Clock m_clock;
    bool m_initialised = false;
    uint16_t m_clockSequence = 0;
    uint8_t m_node[6] = {};
    uint64_t m_lastTimestamp = 0;
    uint32_t m_ticks = 0;
};

} // namespace tormakelin::core
