// Scene files loaded with a headless device: their textures load through the file system (a
// scratch folder holds a few image files under names the seeds use) and each material's
// generated effect is compiled; then the scene is updated and drawn. The last byte picks the
// effect's lights and options. Errors are fine, crashes and leaks are not.

#include <HeadlessDevice.h>

#include <OwnedStream.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/MaterialShader.h>
#include <tormakelin/kavro/Node.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/kavro/Serializer.h>
#include <tormakelin/render/Shader.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

using namespace tormakelin;

namespace {

// A 2 x 2 image file in the format every reader knows: 24-bit uncompressed TGA.
std::string tinyTga()
{
    std::string file(18, '\0');
    file[2] = 2;
    file[12] = 2;
    file[14] = 2;
    file[16] = 24;
    file += std::string("\x10\x20\x30\x40\x50\x60\x70\x80\x90\xA0\xB0\xC0", 12);
    return file;
}

void removeScratch();

// Never destroyed, so the exit handler still finds it.
const std::filesystem::path& scratch()
{
    static const auto* root = [] {
        auto* made = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                               ("tormakelin-fuzz-scene-" + std::to_string(getpid())));
        std::filesystem::create_directories(*made / "maps");
        for (const char* name : {"maps/wood.png", "maps/Metal.TGA", "tex.tga", "sky.dds"}) {
            std::ofstream(*made / name, std::ios::binary) << tinyTga();
        }
        std::atexit(removeScratch);
        return made;
    }();
    return *root;
}

void removeScratch()
{
    std::error_code error;
    std::filesystem::remove_all(scratch(), error);
}

kavro::CreateShaderParam shaderParam(uint8_t bits)
{
    kavro::CreateShaderParam param;
    param.pointLightsEnabled = bits & 1;
    param.maxPointLights = (bits & 1) ? 2 : 0;
    param.directionalLightsEnabled = (bits >> 1) & 1;
    param.maxDirectionalLights = (bits & 2) ? 1 : 0;
    param.spotLightsEnabled = (bits >> 2) & 1;
    param.maxSpotLights = (bits & 4) ? 1 : 0;
    param.fogEnabled = (bits >> 3) & 1;
    param.shadowEnabled = (bits >> 4) & 1;
    param.zPassEnabled = (bits >> 5) & 1;
    param.gpuSkinning = (bits >> 6) & 1;
    param.maxBoneCount = (bits & 64) ? 8 : 0;
    if (bits & 128) {
        param.samplerAddress = "Clamp";
        param.samplerMinFilter = "Point";
    }
    return param;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static render::IRenderDevice* device = test::headlessRenderDevice();
    static core::IFileSystem* fileSystem = [] {
        core::IFileSystem* made = core::createFileSystem();
        made->addRef();
        made->addSearchPath(scratch().string() + "/");
        return made;
    }();
    if (!device || !fileSystem || size == 0 || size > (1u << 20)) {
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
    const kavro::CreateShaderParam param = shaderParam(data[size - 1]);
    int compiled = 0;
    for (kavro::IMaterial* material : graph->getMaterials()) {
        if (++compiled > 2) {
            break;
        }
        core::SmartRef<render::IShader> shader(kavro::createShaderFromMaterial(material, param));
    }
    const std::vector<kavro::INode*> roots = graph->getRootNodes();
    for (int phase = kavro::UpdatePhase_Evaluate; phase < kavro::UpdatePhase_Count; ++phase) {
        for (kavro::INode* root : roots) {
            kavro::UpdateContext context;
            context.phase = phase;
            root->update(context);
        }
    }
    if (device->beginScene()) {
        for (kavro::INode* root : roots) {
            kavro::RenderPass pass;
            root->render(pass);
        }
        device->endScene();
    }
    return 0;
}
