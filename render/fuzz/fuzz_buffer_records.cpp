// Buffer, stream and declaration records as the 3-D scene files carry them: the first byte
// picks the record kind, the rest is the record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <OwnedStream.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/Serializer.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/SwapChain.h>
#include <tormakelin/render/VertexBuffer.h>
#include <tormakelin/render/VertexDecl.h>
#include <tormakelin/render/VertexStream.h>

using namespace tormakelin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static core::SmartRef<render::IDeviceDummy> device = render::createDeviceDummy();
    if (size == 0) {
        return 0;
    }
    core::SmartRef<core::IStream> stream = test::ownedInputStream(data + 1, size - 1);
    core::SmartRef<core::ISerializer> serializer = core::createSerializer(stream.get(), false);
    switch (data[0] % 4) {
    case 0: core::SmartRef<render::IVertexBuffer>(render::createVertexBuffer())->serialize(serializer.get(), false); break;
    case 1: core::SmartRef<render::IIndexBuffer>(render::createIndexBuffer())->serialize(serializer.get()); break;
    case 2: core::SmartRef<render::IVertexDecl>(render::createVertexDecl())->serialize(serializer.get()); break;
    default: core::SmartRef<render::IVertexStream>(render::createVertexStream())->serialize(serializer.get(), false);
    }
    return 0;
}
