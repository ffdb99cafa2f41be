// Atlas files are outside data: any bytes read or fail cleanly, and a read atlas has a positive
// size and only the rectangles its entries name.

#include <QuietLog.h>

#include <tormakelin/fxcore/TextureAtlasFile.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/render/TextureData.h>

#include <cstdint>
#include <cstdlib>

using namespace tormakelin;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tormakelin::test::silenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
    core::MemStream stream;
    stream.addRef();
    if (!stream.create(const_cast<uint8_t*>(data), unsigned(size), true, false))
        return 0;
    render::ITextureAtlas* atlas = fxcore::readTextureAtlas(&stream);
    if (!atlas)
        return 0;
    atlas->addRef();
    render::TextureAtlasData& atlasData = atlas->getData();
    if (atlasData.width <= 0 || atlasData.height <= 0)
        std::abort();
    for (auto const& [name, rect] : atlasData.rects) {
        render::TextureAtlasRect found;
        if (!atlas->getRect(name, found))
            std::abort();
    }
    atlas->release();
    return 0;
}
