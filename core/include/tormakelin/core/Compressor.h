#pragma once
// The compressed blob: "QRVC", the zlib stream's length, the raw length (uint32 little-endian
// each), then the zlib stream.

#include <tormakelin/core/Export.h>

namespace tormakelin::core {

class IStream;

class TORMAKELIN_CORE_API Compressor {
public:
    // A new writable memory stream (count 0, position 0) holding the blob of the source's bytes
    // from its position on; null for a null or empty source.
    IStream* compress(IStream* source);
    // A new writable memory stream with the inflated bytes; null for a source that is no blob.
    // A damaged zlib stream gives the bytes inflated before the damage.
    IStream* decompress(IStream* source);
};

}  // namespace tormakelin::core
