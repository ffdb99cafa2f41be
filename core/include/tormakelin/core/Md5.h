#pragma once
// MD5 message digest (RFC 1321).

#include <tormakelin/core/Export.h>

#include <cstddef>
#include <cstdint>

namespace tormakelin::core {

class TORMAKELIN_CORE_API Md5 {
public:
    Md5();
    void update(const void* data, size_t length);
    void finish(uint8_t digest[16]);

private:
    void transform(const uint8_t block[64]);

    uint32_t m_state[4];
    uint64_t m_length = 0;
    uint8_t m_buffer[64] = {};
};

} // namespace tormakelin::core
