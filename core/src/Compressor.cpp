#include <tormakelin/core/Compressor.h>
#include <tormakelin/core/MemStream.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <zlib.h>

namespace tormakelin::core {

namespace {

constexpr unsigned int HeaderSize = 12;
// Deflate never shrinks data by more than about this factor.
constexpr uint64_t MaxInflateRatio = 1032;

void putU32(unsigned char* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

uint32_t getU32(const unsigned char* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

// The source's bytes from its position to its end.
std::vector<unsigned char> readRest(IStream* source) {
    unsigned int size = source->getSize(), position = source->getPosition();
    std::vector<unsigned char> bytes(position < size ? size - position : 0);
    unsigned int got = bytes.empty() ? 0 : source->read(bytes.data(), static_cast<unsigned int>(bytes.size()));
    bytes.resize(got);
    return bytes;
}

}  // namespace

IStream* Compressor::compress(IStream* source) {
    if (!source || source->getSize() == 0) {
        return nullptr;
    }
    std::vector<unsigned char> raw = readRest(source);
    if (raw.empty()) {
        return nullptr;
    }
    uLong rawLength = static_cast<uLong>(raw.size());
    uLong bound = std::max<uLong>(compressBound(rawLength), rawLength + rawLength / 10 + 32);
    auto* blob = static_cast<unsigned char*>(std::malloc(HeaderSize + bound));
    if (!blob) {
        return nullptr;
    }
    uLongf packed = bound;
    if (compress2(blob + HeaderSize, &packed, raw.data(), rawLength, Z_DEFAULT_COMPRESSION) != Z_OK) {
        std::free(blob);
        return nullptr;
    }
    std::memcpy(blob, "QRVC", 4);
    putU32(blob + 4, static_cast<uint32_t>(packed));
    putU32(blob + 8, static_cast<uint32_t>(rawLength));
    return createMemStream(blob, static_cast<unsigned int>(HeaderSize + packed), false, true);
}

IStream* Compressor::decompress(IStream* source) {
    if (!source || source->getSize() < HeaderSize) {
        return nullptr;
    }
    std::vector<unsigned char> blob = readRest(source);
    if (blob.size() < HeaderSize || std::memcmp(blob.data(), "QRVC", 4) != 0) {
        return nullptr;
    }
    uint32_t packedLength = getU32(blob.data() + 4), rawLength = getU32(blob.data() + 8);
    // Lengths come from the file: they must fit the bytes that are there.
    if (packedLength > blob.size() - HeaderSize || rawLength > packedLength * MaxInflateRatio + 64) {
        return nullptr;
    }
    auto* raw = static_cast<unsigned char*>(std::malloc(rawLength > 0 ? rawLength : 1));
    if (!raw) {
        return nullptr;
    }
    z_stream z{};
    uLong inflated = 0;
    if (inflateInit(&z) == Z_OK) {
        z.next_in = blob.data() + HeaderSize;
        z.avail_in = packedLength;
        z.next_out = raw;
        z.avail_out = rawLength;
        inflate(&z, Z_FINISH);
        inflated = z.total_out;
        inflateEnd(&z);
    }
    return createMemStream(raw, static_cast<unsigned int>(inflated), false, true);
}

}  // namespace tormakelin::core
