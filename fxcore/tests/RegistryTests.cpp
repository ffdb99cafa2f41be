#include <tormakelin/fxcore/GraphNode.h>
#include <tormakelin/fxcore/MathNodes.h>
#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/ScreenEffects.h>

#include <tormakelin/core/UniqueId.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

struct ExpectedRow {
    char const* className;
    int type;
    char const* id;
    char const* path;
    char const* name;
};

// The library's types in query order, as project documents and the editor know them.
ExpectedRow const kExpected[] = {
    {"Abs", 0, "404298FD-ED2F-11DD-B003-BA03DEBE1D47", "Arithmetic/Abs", "Abs"},
    {"All", 0, "F5BB930B-ED2F-11DD-B003-BA03DEBE1D47", "Logic/All", "All"},
    {"Any", 0, "F1D4F07B-ED2F-11DD-B003-BA03DEBE1D47", "Logic/Any", "Any"},
    {"ArcCosine", 0, "AEA223ED-ED30-11DD-B003-BA03DEBE1D47", "Trigonometry/ArcCosine", "ArcCosine"},
    {"Add", 0, "20F53DD0-B24A-11DD-8D85-C0B36B773332", "Arithmetic/Add", "Add"},
    {"Ceil", 0, "17D6354D-ED31-11DD-B003-BA03DEBE1D47", "Arithmetic/Ceil", "Ceil"},
    {"Clamp", 0, "7D00572D-ED31-11DD-B003-BA03DEBE1D47", "Arithmetic/Clamp", "Clamp"},
    {"CubicInterpolation", 0, "EB7EA6C8-E88A-11DD-9B98-EEC3E5124D8D",
        "Arithmetic/CubicInterpolation", "CubicInterpolation"},
    {"Mul", 0, "1CB86FDA-B24A-11DD-8D85-C0B36B773332", "Arithmetic/Mul", "Mul"},
    {"Div", 0, "8FE0210A-E889-11DD-88AB-99D69340C232", "Arithmetic/Div", "Div"},
    {"Sub", 0, "8A859992-E88A-11DD-9B98-EEC3E5124D8D", "Arithmetic/Sub", "Sub"},
    {"Lerp", 0, "EB7EA6C8-E88A-11DD-9B98-EEC3E5124D8D", "Arithmetic/Lerp", "Lerp"},
    {"Sine", 0, "D33DFA2D-ED31-11DD-B003-BA03DEBE1D47", "Trigonometry/Sine", "Sine"},
    {"Cosine", 0, "D668B235-ED40-11DD-BBEE-91112D23BF41", "Trigonometry/Cosine", "Cosine"},
    {"CosineHyperbolic", 0, "1E5B3C22-ED41-11DD-BBEE-91112D23BF41",
        "Trigonometry/CosineHyperbolic", "CosineHyperbolic"},
    {"Cross", 0, "581AAA3D-ED41-11DD-BBEE-91112D23BF41", "Geometry/Cross", "Cross"},
    {"Distance", 0, "92BBCB8F-ED41-11DD-BBEE-91112D23BF41", "Geometry/Distance", "Distance"},
    {"Dot", 0, "3EA7C3A7-ED42-11DD-BBEE-91112D23BF41", "Geometry/Dot", "Dot"},
    {"Exp", 0, "7A2FA161-ED42-11DD-BBEE-91112D23BF41", "Arithmetic/Exp", "Exp"},
    {"Floor", 0, "FE242507-ED43-11DD-BBEE-91112D23BF41D", "Arithmetic/Floor", "Floor"},
    {"Frac", 0, "CF5FFCC7-ED44-11DD-BBEE-91112D23BF41", "Arithmetic/Frac", "Frac"},
    {"Length", 0, "EA590C17-ED44-11DD-BBEE-91112D23BF41", "Arithmetic/Length", "Length"},
    {"Log", 0, "D2125171-ED45-11DD-BBEE-91112D23BF41", "Arithmetic/Log", "Log"},
    {"Log2", 0, "68C37A8B-ED46-11DD-BBEE-91112D23BF41", "Arithmetic/Log2", "Log2"},
    {"Log10", 0, "C8F1FF31-ED46-11DD-BBEE-91112D23BF41", "Arithmetic/Log10", "Log10"},
    {"Min", 0, "2BC50138-ED47-11DD-BBEE-91112D23BF41", "Arithmetic/Min", "Min"},
    {"Max", 0, "1EDED341-ED47-11DD-BBEE-91112D23BF41", "Arithmetic/Max", "Max"},
    {"Negate", 0, "7E42D6C8-ED47-11DD-BBEE-91112D23BF41", "Arithmetic/Negate", "Negate"},
    {"Normalize", 0, "CCE63F18-ED47-11DD-BBEE-91112D23BF41", "Arithmetic/Normalize", "Normalize"},
    {"Power", 0, "261C3930-ED48-11DD-BBEE-91112D23BF41", "Arithmetic/Power", "Power"},
    {"Round", 0, "B907AC40-ED48-11DD-BBEE-91112D23BF41", "Arithmetic/Round", "Round"},
    {"RSqrt", 0, "5561C8F2-ED49-11DD-BBEE-91112D23BF41", "Arithmetic/RSqrt", "RSqrt"},
    {"Saturate", 0, "733D5EC2-ED49-11DD-BBEE-91112D23BF41", "Arithmetic/Saturate", "Saturate"},
    {"Sign", 0, "BD9CD452-ED49-11DD-BBEE-91112D23BF41", "Arithmetic/Sign", "Sign"},
    {"SineHyperbolic", 0, "9939FD82-ED4A-11DD-BBEE-91112D23BF41", "Trigonometry/SineHyperbolic", "SineHyperbolic"},
    {"SmoothStep", 0, "BC6410C2-ED4A-11DD-BBEE-91112D23BF41", "Arithmetic/SmoothStep", "SmoothStep"},
    {"Sqrt", 0, "A7361D0E-ED4D-11DD-BBEE-91112D23BF41", "Arithmetic/Sqrt", "Sqrt"},
    {"Step", 0, "DA792D22-ED4A-11DD-BBEE-91112D23BF41", "Arithmetic/Step", "Step"},
    {"Tan", 0, "E5B77112-ED4A-11DD-BBEE-91112D23BF41", "Trigonometry/Tan", "Tan"},
    {"Complement", 0, "DBAECB35-ED40-11DD-BBEE-91112D23BF41", "Arithmetic/Complement", "Complement"},
    {"Modulus", 0, "991CDDFF-E88A-11DD-9B98-EEC3E5124D8D", "Arithmetic/Modulus", "Modulus"},
    {"BackBuffer2Screen", 0, "1FCBF8EB-F1E7-11DD-A30D-F7A0FD545234",
        "Effect/Screen/BackBuffer To RT", "Back buffer to screen effect"},
    {"ClearScreen", 0, "DCF42380-B253-11DD-9288-F17C82B47B41", "Effect/Screen/ClearScreen", "Clear Screen Effect"},
    {"Spline2DEffect", 0, "13382D4D-FEDB-11DE-8A68-E81C49CBD163", "Effect/Spline/2d Spline", "2d Spline Effect"},
    {"TextureEffect", 0, "64F960A0-E9FF-11DD-93A8-89895ED7ACE3", "Effect/Texture/Texture", "Texture Effect"},
    {"AnimatedTextureEffect", 0, "4893A6A0-0683-11DE-B5C0-F6EA650898F0",
        "Effect/Texture/Animated Texture", "Animated Texture"},
    {"FullscreenQuad", 0, "C0E625D2-F3A8-11DD-8057-8A02F6C56FE5",
        "Effect/Texture/Fullscreen Quad", "Fullscreen quad Effect"},
    {"TextureResource", 1, "1CF18094-BA19-11DD-83A8-8D9303237748", "Texture Resource", "Texture Resource"},
    {"TextureResourceLoader", 2, "A6A09A24-B71E-11DD-B744-EBAD6DC0932E",
        "Texture/Texture", "2d Texture Resource Loader"},
    {"TextureAtlasResource", 1, "7BBA3F63-3E5E-11DE-A50C-897DAB0361CA",
        "Texture Atlas Resource", "Texture Atlas Resource"},
    {"TextureAtlasResourceLoader", 2, "DC58A293-3E62-11DE-909D-9F1312BBD935",
        "Texture/Texture Atlas", "Texture Atlas Resource Loader"},
    {"CubeTextureResourceLoader", 2, "DBE7028D-2274-11DE-9105-CA55D6869DA8",
        "Texture/Cubemap", "Cube Texture Resource Loader"},
    {"RenderTargetResource", 1, "0CAB70D6-F182-11DD-9C88-A960EEEB6D89",
        "Rendertarget Resource", "Rendertarget Resource"},
    {"RenderTargetResourceLoader", 2, "193ACA04-F182-11DD-9C88-A960EEEB6D89",
        "RenderTarget/RenderTarget", "Render Target Resource Loader"},
    {"RenderStack", 0, "ADF3C9B7-E5BB-11DD-852B-B0D445C48459", "Stack/Render Stack", "Render Stack Node"},
    {"NodeStack", 0, "B712BAB5-E6E9-11DD-844F-ED9E3C6EA2DB", "Stack/Node Stack", "Node Stack Node"},
    {"Collection", 0, "AA18FF48-EA4A-11DE-84F2-9904CA330864", "Core/Collection", "Collection Node"},
    {"And", 0, "F6C2CC20-ED50-11DD-BF73-9123C70A0D9B", "Logic/And", "And"},
    {"Comparison", 0, "E6F292EE-ED51-11DD-BF73-9123C70A0D9B", "Logic/Comparison", "Comparison"},
    {"Curve", 0, "0058C13A-ED54-11DD-BF73-9123C70A0D9B", "Misc/Curve", "Curve"},
    {"Or", 0, "ADED3BA2-ED53-11DD-BF73-9123C70A0D9B", "Logic/Or", "Or"},
    {"MixIn", 0, "88306627-E725-11DD-BF2C-B92055221C4A", "Misc/Mix In", "MixIn"},
    {"MixOut", 0, "8E7F1587-E725-11DD-BF2C-B92055221C4A", "Misc/Mix Out", "MixOut"},
    {"PerlinNoise", 0, "426C7DF9-F137-11DD-9ABA-AB6E6BD4E393", "Misc/Perlin Noise", "PerlinNoise"},
    {"TimeModifier", 0, "DB94E697-E727-11DD-9823-C725EA03B51E", "Value/Time", "Time"},
    {"SoundEffect", 0, "FB00D410-EA7D-11DD-B06F-A03A0823C824", "Effect/Sound/Sound", "Sound Effect"},
    {"SoundResource", 1, "0A00B3E0-EA7E-11DD-B06F-A03A0823C824", "Sound Resource", "Sound Resource"},
    {"SoundResourceLoader", 2, "0EEDB060-EA7E-11DD-B06F-A03A0823C824", "Sound/Sound", "Image Resource Loader"},
    {"ScriptNode", 0, "1D77C1E0-F78D-11DD-BD73-A3099C3902D7", "Script/Script", "Script Node"},
    {"TextEffect", 0, "F0CCF960-F7B1-11DD-89B0-8388B0DCA6D2", "Effect/Text/Text", "Text Effect"},
    {"FontResource", 1, "1E2407A0-F7B2-11DD-98FC-8AA50E493AB6", "Font Resource", "Font Resource"},
    {"FontResourceLoader", 2, "4271B350-F7B2-11DD-98FC-8AA50E493AB6", "Font/Font", "Font Resource Loader"},
    {"AnimatedTextureResource", 1, "095C32A8-0689-11DE-8B8C-FBA208CCE8DA",
        "Animated Texture Resource", "Animated Texture Resource"},
    {"AnimatedTextureResourceLoader", 2, "D992F1B0-0683-11DE-B5EE-E18597D763F8",
        "Texture/Animated Texture", "Animated Texture Resource Loader"},
    {"SceneResource", 1, "BD12FA3A-0D66-11DE-9658-A306579BAEC5", "Scene Resource", "Scene Resource"},
    {"SceneResourceLoader", 2, "F802D9D0-0D66-11DE-9658-A306579BAEC5", "3D/Scene", "Scene Resource Loader"},
    {"SceneEffect", 0, "12C3E60D-0D69-11DE-8C94-B8CD3BAF4A2A", "3D/Scene Graph", "Scene Effect"},
    {"SceneRenderEffect", 0, "D26DF6B1-0EFA-11DE-99C7-DFCFD624C433", "3D/Scene Render", "Scene Render"},
    {"CameraEffect", 0, "36E3651D-0D8A-11DE-B171-FEFCC7395B7D", "3D/Camera", "Camera Effect"},
    {"LightEffect", 0, "584A8330-0D8A-11DE-B171-FEFCC7395B7D", "3D/Light", "Light Effect"},
    {"Animation", 0, "C94EE51B-0E37-11DE-945C-D8B628B6A8A0", "Keyframe/Animation", "Animation"},
    {"ViewMatrix", 0, "C0C906CA-1303-11DE-A0D4-DFE1E68F042A", "3D/View Matrix", "View Matrix Effect"},
    {"MaterialEffect", 0, "064B4B3F-1412-11DE-A36D-B9C63559994F", "3D/Shader/Material", "Material Effect"},
    {"ShaderEffect", 0, "5F044A2D-1485-11DE-8C43-884C9573DF09", "3D/Shader/Shader", "Shader Effect"},
    {"FlareEffect", 0, "37F346FC-E030-11DE-978F-9A68AA91A0F7", "3D/Flare", "Flare Effect"},
    {"LensFlareEffect", 0, "5A6F76ED-E30D-11DE-940C-D48F9C71F939", "3D/Lens Flare", "Lens Flare Effect"},
    {"ParameterScalar", 0, "BBA66D10-17FB-11DE-BF94-A17399492AB8", "Parameter/Scalar", "Scalar Shader Parameter"},
    {"ParameterInt", 0, "B24238F0-17FE-11DE-BF94-A17399492AB8", "Parameter/Integer", "Integer Shader Parameter"},
    {"ParameterVec2", 0, "B5FF40F0-17FE-11DE-BF94-A17399492AB8", "Parameter/Vec2", "Vec2 Shader Parameter"},
    {"ParameterVec3", 0, "B9CD38E0-17FE-11DE-BF94-A17399492AB8", "Parameter/Vec3", "Vec3 Shader Parameter"},
    {"ParameterVec4", 0, "BD81B560-17FE-11DE-BF94-A17399492AB8", "Parameter/Vec4", "Vec4 Shader Parameter"},
    {"ParameterColor", 0, "C0DF8660-17FE-11DE-BF94-A17399492AB8", "Parameter/Color", "Color Shader Parameter"},
    {"ParameterResource", 0, "C52657D0-17FE-11DE-BF94-A17399492AB8", "Parameter/Resource", "Resource Shader Parameter"},
    {"Glow", 0, "70C0D550-18B0-11DE-95E2-830121C1AE93", "Effect/Texture/Glow", "Image glow effect"},
    {"Blur", 0, "77A825C0-18B1-11DE-B490-FE0E64559BFC", "Effect/Texture/Blur", "Texture blur effect"},
    {"Composite", 0, "7BC23D26-3B16-11DE-9932-E391ABBE640B", "Effect/Texture/Composite", "Image composite effect"},
    {"ColorCorrection", 0, "FB4EEF3B-1A3B-11DE-A364-8202B22BFED5",
        "Effect/Texture/Color Correction", "Image color correction effect"},
    {"RGBSeperation", 0, "51B256CB-1A49-11DE-B180-EDCDBDFB8C64",
        "Effect/Texture/RGB Seperation", "Image rgb seperation effect"},
    {"Negative", 0, "6C2BF7F2-3BBA-11DE-BA16-BB9A34781423", "Effect/Texture/Negative", "Image negative"},
    {"ColorKey", 0, "F6204882-3BBA-11DE-BA16-BB9A34781423", "Effect/Texture/Color Key", "Color Key"},
    {"Wave", 0, "CC2C7DF2-3BC4-11DE-BA16-BB9A34781423", "Effect/Texture/Wave", "Texture wave"},
    {"EdgeDetect", 0, "C06A21A2-3BDF-11DE-BF59-847ADB7C20B3", "Effect/Texture/Edge Detect", "Edge detect"},
    {"SobelEdge", 0, "CACA1382-3BDF-11DE-BF59-847ADB7C20B3", "Effect/Texture/Sobel Edge", "Sobel edge"},
    {"RadialBlur", 0, "D342C6E2-3C96-11DE-80E7-CCCB6596A6AA", "Effect/Texture/Radial Blur", "Radial Blur"},
    {"ParticleSystemEffect", 0, "856A0050-2051-11DE-9D34-F3DD278E6044",
        "3D/Particle/Particle System", "Particle System Effect"},
    {"ParticleBoxEmitter", 0, "A32ABD50-2060-11DE-8173-A69DC20BAC7C", "3D/Particle/Emitter/Box Emitter", "Box Emitter"},
    {"ParticleColorModifier", 0, "AAF648B0-2060-11DE-8173-A69DC20BAC7C",
        "3D/Particle/Modifier/Color Modifier", "Particle color modifier"},
    {"ParticleAttractorModifier", 0, "1283077B-2086-11DE-AA50-98E911BD1873",
        "3D/Particle/Modifier/Attractor Modifier", "Attractor modifier"},
    {"ParticleCameraDistanceFadeModifier", 0, "4265471F-208E-11DE-AA50-98E911BD1873",
        "3D/Particle/Modifier/Camera Fade Modifier", "Particle color modifier"},
    {"ParticleCylinderEmitter", 0, "559CE5ED-208E-11DE-AA50-98E911BD1873",
        "3D/Particle/Emitter/Cylinder Emitter", "Box Emitter"},
    {"ParticleLinearForceModifier", 0, "6E6B535B-208E-11DE-AA50-98E911BD1873",
        "3D/Particle/Modifier/Linear Force Modifier", "Particle color modifier"},
    {"ParticlePlaneModifier", 0, "8CB157A8-2090-11DE-AA50-98E911BD1873",
        "3D/Particle/Modifier/Plane Modifier", "Particle color modifier"},
    {"ParticleRandomEmitter", 0, "92B90290-208E-11DE-AA50-98E911BD1873",
        "3D/Particle/Modifier/Random Emitter", "Box Emitter"},
    {"ParticleSphereEmitter", 0, "B3E33D24-208E-11DE-AA50-98E911BD1873",
        "3D/Particle/Emitter/Sphere Emitter", "Sphere Emitter"},
    {"ParticleSizeModifier", 0, "A2BA1970-208E-11DE-AA50-98E911BD1873",
        "3D/Particle/Modifier/Size Modifier", "Particle color modifier"},
    {"ParticleMeshEmitter", 0, "EFE930F7-209D-11DE-84BB-C2EA7EF6DB97",
        "3D/Particle/Emitter/Mesh Emitter", "Mesh Emitter"},
    {"SelectFromStack", 0, "E959B31C-41F7-11DE-9D15-A2A6D0B38BFD", "Stack/Select From Stack", "Select from stack"},
    {"CMYKDistort", 0, "97AB42A4-55E4-11DE-AA78-9463349717FE", "Effect/Texture/CMYK Distort", "CMYK Distort Effect"},
    {"Gradient", 0, "9C8AE555-567B-11DE-95C2-EAC7C912CFB7", "Effect/Texture/Gradient", "Gradient Effect"},
    {"RadialGradient", 0, "96A70BD1-5683-11DE-86FC-C775518C9FBA",
        "Effect/Texture/Radial Gradient", "Radial Gradient Effect"},
};

constexpr int kExpectedCount = static_cast<int>(std::size(kExpected));

PluginDesc const* descAt(int index)
{
    return static_cast<PluginDesc const*>(tormakelinPluginQuery(0, index));
}

void expectRow(PluginDesc const& desc, int index)
{
    ExpectedRow const& row = kExpected[index];
    EXPECT_EQ(desc.type, row.type) << index;
    EXPECT_EQ(desc.id, core::stringToUniqueId(row.id)) << index;
    EXPECT_EQ(desc.path, row.path) << index;
    EXPECT_EQ(desc.name, row.name) << index;
}

// Destroys an object made by kind 1, whatever its main interface.
void destroy(IPlugin* plugin)
{
    if (auto* node = dynamic_cast<IGraphNode*>(plugin)) {
        node->addRef();
        node->release();
    } else if (auto* resource = dynamic_cast<IResource*>(plugin)) {
        resource->addRef();
        resource->release();
    } else if (auto* loader = dynamic_cast<IResourceLoader*>(plugin)) {
        loader->addRef();
        loader->release();
    }
}

} // namespace

TEST(Registry, LibraryDescriptorIsOneRecordAcceptedByTheManager)
{
    PluginLibraryDesc const* desc = tormakelinPluginFactoryQuery();
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(tormakelinPluginFactoryQuery(), desc);
    EXPECT_EQ(core::uniqueIdToString(desc->id), "DA1B056E-B23C-11DD-BE63-950169F8C30A");
    EXPECT_EQ(desc->category, "Standard");
    EXPECT_EQ(desc->name, "Standard Effects Library");
    EXPECT_EQ(desc->reserved, 0);
}

TEST(Registry, KindZeroListsEveryRowInTableOrderAndEndsAfterTheLast)
{
    ASSERT_EQ(kExpectedCount, 120);
    std::set<PluginDesc const*> seen;
    for (int index = 0; index < kExpectedCount; ++index) {
        PluginDesc const* desc = descAt(index);
        ASSERT_NE(desc, nullptr) << index;
        EXPECT_EQ(descAt(index), desc) << "a second query answers the same record";
        seen.insert(desc);
        expectRow(*desc, index);
    }
    EXPECT_EQ(seen.size(), 120u);

    // Floor's id text is one character too long, so it stands as the null id; Lerp shares an id.
    EXPECT_TRUE(core::isNullUniqueId(descAt(19)->id));
    EXPECT_EQ(descAt(11)->id, descAt(7)->id);
    int nullIds = 0;
    for (int index = 0; index < kExpectedCount; ++index)
        nullIds += core::isNullUniqueId(descAt(index)->id) ? 1 : 0;
    EXPECT_EQ(nullIds, 1);
}

TEST(Registry, QueriesOutsideTheTableOrOfOtherKindsAnswerNull)
{
    struct Case {
        int kind;
        int index;
    };
    for (Case c : {Case{0, -1}, Case{0, 120}, Case{1, -1}, Case{1, 120}, Case{1, 1000}, Case{2, 0}, Case{2, 54},
             Case{-1, 0}, Case{3, 83}})
        EXPECT_EQ(tormakelinPluginQuery(c.kind, c.index), nullptr) << c.kind << "/" << c.index;
}

TEST(Registry, KindOneMakesEveryBuiltClassAsItsPluginInterface)
{
    // Every row creates its object.
    for (int index = 0; index < kExpectedCount; ++index) {
        auto* plugin = static_cast<IPlugin*>(tormakelinPluginQuery(1, index));
        ASSERT_NE(plugin, nullptr) << kExpected[index].className;
        // The answer must be the IPlugin base itself: its descriptor is the row's.
        PluginDesc const& held = plugin->getPluginDesc();
        expectRow(held, index);
        switch (kExpected[index].type) {
        case kPluginGraphNode: {
            auto* node = dynamic_cast<GraphNode*>(plugin);
            ASSERT_NE(node, nullptr) << index;
            EXPECT_EQ(static_cast<IPlugin*>(node), plugin) << index;
            break;
        }
        case kPluginResource:
            EXPECT_NE(dynamic_cast<IResource*>(plugin), nullptr) << index;
            break;
        default:
            EXPECT_NE(dynamic_cast<IResourceLoader*>(plugin), nullptr) << index;
        }
        destroy(plugin);
    }
}

TEST(Registry, TheRenderTargetEffectHasADescriptorButNoIndex)
{
    PluginDesc const& desc = RenderTargetEffect::_pluginDesc;
    EXPECT_EQ(desc.type, kPluginGraphNode);
    EXPECT_EQ(core::uniqueIdToString(desc.id), "E23B2FD8-DE5C-11DE-8AD3-C7B13CD9BE0B");
    EXPECT_EQ(desc.path, "Effect/Screen/Render Target");
    EXPECT_EQ(desc.name, "Render target effect");
    for (int index = 0; index < kExpectedCount; ++index)
        EXPECT_NE(descAt(index)->id, desc.id) << index;
}

TEST(Registry, FloorAndLerpKeepTheirOddIds)
{
    auto* floor = static_cast<IPlugin*>(tormakelinPluginQuery(1, 19));
    ASSERT_NE(dynamic_cast<Floor*>(floor), nullptr);
    EXPECT_TRUE(core::isNullUniqueId(floor->getPluginDesc().id));
    destroy(floor);

    auto* lerp = static_cast<IPlugin*>(tormakelinPluginQuery(1, 11));
    ASSERT_NE(dynamic_cast<Lerp*>(lerp), nullptr);
    EXPECT_EQ(lerp->getPluginDesc().id, descAt(7)->id);
    destroy(lerp);
}

TEST(Registry, ThePluginScanOfTheProgramFolderFindsTheTableAndCreatesByItsIds)
{
    IPluginManager* manager = createPluginManager();
    manager->addRef();
    ASSERT_TRUE(manager->loadPlugins(std::filesystem::canonical("/proc/self/exe").string()));
    IPluginFactory* library = nullptr;
    for (IPluginFactory* factory : manager->getFactories())
        if (factory->getLibraryDesc()->name == std::string("Standard Effects Library"))
            library = factory;
    ASSERT_NE(library, nullptr);
    std::vector<PluginDesc> const& descs = library->getPluginDescs();
    ASSERT_EQ(descs.size(), 120u);
    for (int index = 0; index < kExpectedCount; ++index)
        expectRow(descs[static_cast<size_t>(index)], index);
    EXPECT_EQ(core::uniqueIdToString(descs[19].id), "00000000-0000-0000-0000-000000000000");
    EXPECT_EQ(core::uniqueIdToString(descs[11].id), "EB7EA6C8-E88A-11DD-9B98-EEC3E5124D8D");

    // By id the first matching row wins: the shared id makes CubicInterpolation, the null id Floor.
    struct Case {
        core::UniqueId id;
        bool (*is)(IPlugin*);
    };
    Case const cases[] = {
        {descs[11].id, [](IPlugin* p) { return dynamic_cast<CubicInterpolation*>(p) != nullptr; }},
        {core::UniqueId{}, [](IPlugin* p) { return dynamic_cast<Floor*>(p) != nullptr; }},
        {descs[0].id, [](IPlugin* p) { return dynamic_cast<Abs*>(p) != nullptr; }},
    };
    for (Case const& c : cases) {
        IPlugin* plugin = manager->createPlugin(c.id);
        ASSERT_NE(plugin, nullptr) << core::uniqueIdToString(c.id);
        EXPECT_TRUE(c.is(plugin)) << core::uniqueIdToString(c.id);
        destroy(plugin);
    }
    manager->release();
}
