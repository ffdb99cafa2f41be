// Loads arbitrary bytes as a scene file, runs the update phases and a draw over its root nodes,
// and stores it again.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <OwnedStream.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/Node.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/kavro/Serializer.h>

using namespace tormakelin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) {
        return 0;
    }
    core::SmartRef<core::IStream> stream = test::ownedInputStream(data, size);
    core::SmartRef<kavro::Serializer> in(new kavro::Serializer());
    if (!in->create(stream.get(), kavro::SerializerParams{})) {
        return 0;
    }
    core::SmartRef<kavro::ISceneGraph> graph(kavro::createSceneGraph());
    if (!graph->serialize(in.get())) {
        return 0;
    }
    const std::vector<kavro::INode*> roots = graph->getRootNodes();
    for (float time : {0.0f, 0.5f, 2.0f}) {
        for (int phase = kavro::UpdatePhase_Evaluate; phase < kavro::UpdatePhase_Count; ++phase) {
            for (kavro::INode* root : roots) {
                kavro::UpdateContext context;
                context.time = time;
                context.phase = phase;
                root->update(context);
            }
        }
        for (kavro::INode* root : roots) {
            kavro::RenderPass pass;
            root->render(pass);
        }
    }
    graph->getBoundingBox();

    core::SmartRef<core::IStream> outStream(core::createMemStream(nullptr, 0, false, true));
    core::SmartRef<kavro::Serializer> out(new kavro::Serializer());
    kavro::SerializerParams params;
    params.mode = kavro::SerializerMode_Store;
    if (out->create(outStream.get(), params)) {
        graph->serialize(out.get());
    }
    return 0;
}
