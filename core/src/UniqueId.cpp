#include <tormakelin/core/Md5.h>
#include <tormakelin/core/Random.h>
#include <tormakelin/core/UniqueId.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <ctime>

#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace tormakelin::core {

namespace {

// Offset from 1601-01-01 to 1970-01-01 in 100-ns intervals.
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ull;
// Moves the file time onto the version-1 epoch (1582-10-15).
constexpr uint64_t kGregorianOffset = 0x146BF33E42C000ull;
constexpr uint32_t kTicksPerTimestamp = 1024;

uint64_t systemFileTime()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return kUnixEpochFileTime + uint64_t(now.tv_sec) * 10000000ull + uint64_t(now.tv_nsec) / 100;
}

// The generator's clock moves in whole steps of the tick range, so that the ticks added to one
// timestamp never reach the next one and ids stay unique however fast they are made.
uint64_t generatorFileTime() { return systemFileTime() / kTicksPerTimestamp * kTicksPerTimestamp; }

uint64_t monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000000000ull + uint64_t(now.tv_nsec);
}

// The machine's state at start-up, hashed into the node of every id of this process.
struct NodeRecord {
    uint64_t memoryTotal = 0;
    uint64_t memoryFree = 0;
    uint64_t processors = 0;
    uint64_t pageSize = 0;
    uint64_t fileTime = 0;
    uint64_t performanceCounter = 0;
    uint64_t tickCount = 0;
    uint64_t processId = 0;
    char computerName[17] = {};
};

void hashNodeRecord(uint8_t node[6])
{
    NodeRecord record;
    struct sysinfo info{};
    if (sysinfo(&info) == 0) {
        record.memoryTotal = uint64_t(info.totalram) * info.mem_unit;
        record.memoryFree = uint64_t(info.freeram) * info.mem_unit;
    }
    record.processors = uint64_t(sysconf(_SC_NPROCESSORS_CONF));
    record.pageSize = uint64_t(sysconf(_SC_PAGESIZE));
    record.fileTime = systemFileTime();
    record.performanceCounter = monotonicNanoseconds();
    record.tickCount = record.performanceCounter / 1000000;
    record.processId = uint64_t(getpid());
    struct utsname names{};
    if (uname(&names) == 0) {
        std::memcpy(record.computerName, names.nodename, std::min<size_t>(std::strlen(names.nodename), 16));
    }
    Md5 md5;
    md5.update(&record, sizeof(record));
    uint8_t digest[16];
    md5.finish(digest);
    std::memcpy(node, digest, 6);
    node[0] |= 0x80;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Non-hexadecimal characters are skipped, neither failing nor shifting the value.
uint32_t readHexGroup(const std::string& text, size_t position, size_t width)
{
    uint32_t value = 0;
    for (size_t i = position; i < position + width; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit >= 0) {
            value = (value << 4) + uint32_t(digit);
        }
    }
    return value;
}

UniqueIdGenerator& processGenerator()
{
    static UniqueIdGenerator generator;
    return generator;
}

} // namespace

bool uniqueIdLess(const UniqueId& a, const UniqueId& b) { return std::memcmp(&a, &b, sizeof(UniqueId)) < 0; }

bool operator==(const UniqueId& a, const UniqueId& b) { return std::memcmp(&a, &b, sizeof(UniqueId)) == 0; }

bool isNullUniqueId(const UniqueId& id) { return id == UniqueId{}; }

UniqueIdGenerator::UniqueIdGenerator(Clock clock) : m_clock(clock ? clock : generatorFileTime) {}

uint64_t UniqueIdGenerator::readTimestamp() const { return m_clock() + kGregorianOffset; }

void UniqueIdGenerator::initialise(uint64_t timestamp)
{
    // The clock sequence comes from a private generator with the C runtime's sequence: the
    // process's own random generator is left alone, its seeded sequence belongs to the caller.
    const uint64_t shifted = timestamp >> 10;
    RandomSequence sequence(uint32_t(shifted) ^ uint32_t(shifted >> 32));
    m_clockSequence = uint16_t(sequence.next());
    hashNodeRecord(m_node);
    m_initialised = true;
}

void UniqueIdGenerator::generate(UniqueId& out)
{
    uint64_t timestamp = readTimestamp();
    if (!m_initialised) {
        initialise(timestamp);
        m_ticks = 0;
    } else if (timestamp < m_lastTimestamp) {
        // The clock was set back: a new clock sequence keeps the new ids apart from the old.
        m_clockSequence = uint16_t((m_clockSequence + 1) & 0x3FFF);
        m_ticks = 0;
    } else if (timestamp != m_lastTimestamp) {
        m_ticks = 0;
    } else if (m_ticks + 1 < kTicksPerTimestamp) {
        ++m_ticks;
    } else {
        while (timestamp <= m_lastTimestamp) {
            timestamp = readTimestamp();
        }
        m_ticks = 0;
    }
    m_lastTimestamp = timestamp;

    const uint64_t time = timestamp + m_ticks;
    out.data1 = uint32_t(time);
    out.data2 = uint16_t(time >> 32);
    out.data3 = uint16_t(((time >> 48) & 0x0FFF) | 0x1000);
    out.data4[0] = uint8_t(((m_clockSequence >> 8) & 0x3F) | 0x80);
    out.data4[1] = uint8_t(m_clockSequence & 0xFF);
    std::memcpy(out.data4 + 2, m_node, 6);
}

void generateUniqueId(UniqueId& out) { processGenerator().generate(out); }

UniqueId getMD5UniqueId(const void* data, unsigned int length)
{
    Md5 md5;
    if (data && length > 0) {
        md5.update(data, length);
    }
    uint8_t digest[16];
    md5.finish(digest);
    UniqueId id;
    std::memcpy(&id, digest, sizeof(id));
    return id;
}

std::string uniqueIdToString(const UniqueId& id)
{
    char text[40];
    std::snprintf(text, sizeof(text), "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", unsigned(id.data1),
                  unsigned(id.data2), unsigned(id.data3), id.data4[0], id.data4[1], id.data4[2], id.data4[3],
                  id.data4[4], id.data4[5], id.data4[6], id.data4[7]);
    return text;
}

bool stringToUniqueId(const std::string& text, UniqueId& out)
{
    if (text.size() != 36) {
        return false;
    }
    UniqueId id;
    id.data1 = readHexGroup(text, 0, 8);
    id.data2 = uint16_t(readHexGroup(text, 9, 4));
    id.data3 = uint16_t(readHexGroup(text, 14, 4));
    id.data4[0] = uint8_t(readHexGroup(text, 19, 2));
    id.data4[1] = uint8_t(readHexGroup(text, 21, 2));
    for (int i = 0; i < 6; ++i) {
        id.data4[2 + i] = uint8_t(readHexGroup(text, 24 + 2 * size_t(i), 2));
    }
    out = id;
    return true;
}

UniqueId stringToUniqueId(const std::string& text)
{
    UniqueId id{};
    stringToUniqueId(text, id);
    return id;
}

} // namespace tormakelin::core
