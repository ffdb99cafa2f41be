// Loads a whole project document from arbitrary XML, plays a few frames of every scene and
// saves it again.

#include <tormakelin/fxcore/Application.h>
#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Serializer.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Xml.h>

#include <cstddef>
#include <cstdint>

using namespace tormakelin;
using namespace tormakelin::fxcore;

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
    static Application app;
    core::SmartRef<core::IXmlDocument> const xml = core::createXmlDocument();
    core::SmartRef<core::IStream> const stream =
        core::createMemStream(const_cast<uint8_t*>(data), static_cast<unsigned int>(size), true, false);
    if (!xml || !stream || !xml->load(stream.get()))
        return 0;
    app.newDocument();
    IDocument* document = app.getDocument();
    {
        core::SmartRef<ISerializer> const load = createSerializer({0, xml.get(), false});
        document->serialize(load.get());
    }
    std::vector<IScene*> const scenes = document->getSceneManager()->getScenes();
    for (IScene* scene : scenes)
        for (double time : {0.0, 0.5, 1.0, 2.5, 100.0}) {
            UpdateContext context;
            context.scene = scene;
            context.time = time;
            context.editor = true;
            document->update(context);
        }
    core::SmartRef<core::IXmlDocument> const out = core::createXmlDocument();
    out->create(kRootElement);
    core::SmartRef<ISerializer> const save = createSerializer({1, out.get(), false});
    document->serialize(save.get());
    app.closeDocument();
    return 0;
}
