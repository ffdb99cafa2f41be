// GIF files are outside data: any bytes decode or fail cleanly, and a decoded file holds only
// frames whose pixels match their size.

#include <tormakelin/fxcore/GifDecoder.h>

#include <tormakelin/core/MemStream.h>

#include <cstdint>
#include <cstdlib>

using namespace tormakelin;

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
    core::MemStream stream;
    stream.addRef();
    if (!stream.create(const_cast<uint8_t*>(data), unsigned(size), true, false))
        return 0;
    fxcore::GifDecoder decoder;
    bool const decoded = decoder.decode(&stream);
    fxcore::GifImage const& image = decoder.getImage();
    if (!decoded && !image.frames.empty())
        std::abort();
    for (fxcore::GifFrame const& frame : image.frames) {
        if (frame.pixels.size() != size_t(frame.width) * size_t(frame.height))
            std::abort();
    }
    return 0;
}
