// Reads arbitrary bytes as a compressed blob, then compresses what came out and reads it back.

#include <OwnedStream.h>

#include <tormakelin/core/Compressor.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace tormakelin::core;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    SmartRef<IStream> source = tormakelin::test::ownedInputStream(data, size);
    Compressor compressor;
    SmartRef<IStream> raw(compressor.decompress(source.get()));
    if (!raw || raw->getSize() == 0) {
        return 0;
    }
    SmartRef<IStream> blob(compressor.compress(raw.get()));
    if (!blob) {
        abort();
    }
    SmartRef<IStream> back(compressor.decompress(blob.get()));
    if (!back || back->getSize() != raw->getSize() ||
        std::memcmp(back->getData(), raw->getData(), raw->getSize()) != 0) {
        abort();
    }
    return 0;
}
