// Random and mutated image and DDS files through the readers: errors are fine, crashes are not.
#include <cstddef>
#include <cstdint>

#include "DdsFile.h"
#include "ImageFile.h"
#include "TexUpload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace d3dxtex;
    DdsFile dds;
    if (readDds(data, size, dds)) {
        // Decode a few stored images, each bounded by the file's own size.
        for (size_t i = 0; i < dds.images.size() && i < 4; ++i)
            if (uint64_t(dds.images[i].width) * dds.images[i].height * dds.images[i].depth <= (1u << 20))
                decodeStored(data, dds.format, dds.images[i]);
        return 0;
    }
    Rgba8Image image;
    if (decodeImageFile(data, size, image) && uint64_t(image.width) * image.height <= (1u << 20)) image.toFloat();
    return 0;
}
