#include <tormakelin/fxcore/MathNodes.h>
#include <tormakelin/fxcore/Nodes.h>
#include <tormakelin/fxcore/ParameterNodes.h>
#include <tormakelin/fxcore/ParticleNodes.h>
#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/RenderTargetResource.h>
#include <tormakelin/fxcore/ResourceLoaders.h>
#include <tormakelin/fxcore/SceneNodes.h>
#include <tormakelin/fxcore/SceneRenderEffect.h>
#include <tormakelin/fxcore/Resources.h>
#include <tormakelin/fxcore/ScreenEffects.h>
#include <tormakelin/fxcore/ImageEffects.h>
#include <tormakelin/fxcore/ShaderEffect.h>
#include <tormakelin/fxcore/SoundEffect.h>
#include <tormakelin/fxcore/TextEffect.h>
#include <tormakelin/fxcore/TextureEffect.h>

#include <tormakelin/core/UniqueId.h>

#include <array>
#include <memory>
#include <new>

namespace {

using namespace tormakelin::fxcore;
using tormakelin::core::stringToUniqueId;

constexpr PluginType kNode = kPluginGraphNode;
constexpr PluginType kResource = kPluginResource;
constexpr PluginType kLoader = kPluginResourceLoader;

// The object leaves as its IPlugin interface, the one the plug-in manager converts from.
template <class T>
IPlugin* make()
{
    std::unique_ptr<T> object;
    try {
        object = std::make_unique<T>();
        static_cast<IPlugin&>(*object).setPluginDesc(T::_pluginDesc);
    } catch (std::bad_alloc const&) {
        return nullptr;
    }
    return static_cast<IPlugin*>(object.release());
}

struct Row {
    PluginType type;
    char const* id;
    char const* path;
    char const* name;
    IPlugin* (*create)();
};

// Project documents store these ids, and creation by id takes the first match in this order:
// keep the rows, their texts and their order as they stand (Floor's 37-character id parses to
// the null id; Lerp shares CubicInterpolation's id).
constexpr Row kRows[] = {
    // 0
    {kNode, "404298FD-ED2F-11DD-B003-BA03DEBE1D47", "Arithmetic/Abs", "Abs", make<Abs>},
    {kNode, "F5BB930B-ED2F-11DD-B003-BA03DEBE1D47", "Logic/All", "All", make<All>},
    {kNode, "F1D4F07B-ED2F-11DD-B003-BA03DEBE1D47", "Logic/Any", "Any", make<Any>},
    {kNode, "AEA223ED-ED30-11DD-B003-BA03DEBE1D47", "Trigonometry/ArcCosine", "ArcCosine", make<ArcCosine>},
    {kNode, "20F53DD0-B24A-11DD-8D85-C0B36B773332", "Arithmetic/Add", "Add", make<Add>},
    {kNode, "17D6354D-ED31-11DD-B003-BA03DEBE1D47", "Arithmetic/Ceil", "Ceil", make<Ceil>},
    {kNode, "7D00572D-ED31-11DD-B003-BA03DEBE1D47", "Arithmetic/Clamp", "Clamp", make<Clamp>},
    {kNode, "EB7EA6C8-E88A-11DD-9B98-EEC3E5124D8D", "Arithmetic/CubicInterpolation", "CubicInterpolation",
        make<CubicInterpolation>},
    {kNode, "1CB86FDA-B24A-11DD-8D85-C0B36B773332", "Arithmetic/Mul", "Mul", make<Mul>},
    {kNode, "8FE0210A-E889-11DD-88AB-99D69340C232", "Arithmetic/Div", "Div", make<Div>},
    // 10
    {kNode, "8A859992-E88A-11DD-9B98-EEC3E5124D8D", "Arithmetic/Sub", "Sub", make<Sub>},
    {kNode, "EB7EA6C8-E88A-11DD-9B98-EEC3E5124D8D", "Arithmetic/Lerp", "Lerp", make<Lerp>},
    {kNode, "D33DFA2D-ED31-11DD-B003-BA03DEBE1D47", "Trigonometry/Sine", "Sine", make<Sine>},
    {kNode, "D668B235-ED40-11DD-BBEE-91112D23BF41", "Trigonometry/Cosine", "Cosine", make<Cosine>},
    {kNode, "1E5B3C22-ED41-11DD-BBEE-91112D23BF41", "Trigonometry/CosineHyperbolic", "CosineHyperbolic",
        make<CosineHyperbolic>},
    {kNode, "581AAA3D-ED41-11DD-BBEE-91112D23BF41", "Geometry/Cross", "Cross", make<Cross>},
    {kNode, "92BBCB8F-ED41-11DD-BBEE-91112D23BF41", "Geometry/Distance", "Distance", make<Distance>},
    {kNode, "3EA7C3A7-ED42-11DD-BBEE-91112D23BF41", "Geometry/Dot", "Dot", make<Dot>},
    {kNode, "7A2FA161-ED42-11DD-BBEE-91112D23BF41", "Arithmetic/Exp", "Exp", make<Exp>},
    {kNode, "FE242507-ED43-11DD-BBEE-91112D23BF41D", "Arithmetic/Floor", "Floor", make<Floor>},
    // 20
    {kNode, "CF5FFCC7-ED44-11DD-BBEE-91112D23BF41", "Arithmetic/Frac", "Frac", make<Frac>},
    {kNode, "EA590C17-ED44-11DD-BBEE-91112D23BF41", "Arithmetic/Length", "Length", make<Length>},
    {kNode, "D2125171-ED45-11DD-BBEE-91112D23BF41", "Arithmetic/Log", "Log", make<Log>},
    {kNode, "68C37A8B-ED46-11DD-BBEE-91112D23BF41", "Arithmetic/Log2", "Log2", make<Log2>},
    {kNode, "C8F1FF31-ED46-11DD-BBEE-91112D23BF41", "Arithmetic/Log10", "Log10", make<Log10>},
    {kNode, "2BC50138-ED47-11DD-BBEE-91112D23BF41", "Arithmetic/Min", "Min", make<Min>},
    {kNode, "1EDED341-ED47-11DD-BBEE-91112D23BF41", "Arithmetic/Max", "Max", make<Max>},
    {kNode, "7E42D6C8-ED47-11DD-BBEE-91112D23BF41", "Arithmetic/Negate", "Negate", make<Negate>},
    {kNode, "CCE63F18-ED47-11DD-BBEE-91112D23BF41", "Arithmetic/Normalize", "Normalize", make<Normalize>},
    {kNode, "261C3930-ED48-11DD-BBEE-91112D23BF41", "Arithmetic/Power", "Power", make<Power>},
    // 30
    {kNode, "B907AC40-ED48-11DD-BBEE-91112D23BF41", "Arithmetic/Round", "Round", make<Round>},
    {kNode, "5561C8F2-ED49-11DD-BBEE-91112D23BF41", "Arithmetic/RSqrt", "RSqrt", make<RSqrt>},
    {kNode, "733D5EC2-ED49-11DD-BBEE-91112D23BF41", "Arithmetic/Saturate", "Saturate", make<Saturate>},
    {kNode, "BD9CD452-ED49-11DD-BBEE-91112D23BF41", "Arithmetic/Sign", "Sign", make<Sign>},
    {kNode, "9939FD82-ED4A-11DD-BBEE-91112D23BF41", "Trigonometry/SineHyperbolic", "SineHyperbolic",
        make<SineHyperbolic>},
    {kNode, "BC6410C2-ED4A-11DD-BBEE-91112D23BF41", "Arithmetic/SmoothStep", "SmoothStep", make<SmoothStep>},
    {kNode, "A7361D0E-ED4D-11DD-BBEE-91112D23BF41", "Arithmetic/Sqrt", "Sqrt", make<Sqrt>},
    {kNode, "DA792D22-ED4A-11DD-BBEE-91112D23BF41", "Arithmetic/Step", "Step", make<Step>},
    {kNode, "E5B77112-ED4A-11DD-BBEE-91112D23BF41", "Trigonometry/Tan", "Tan", make<Tan>},
    {kNode, "DBAECB35-ED40-11DD-BBEE-91112D23BF41", "Arithmetic/Complement", "Complement", make<Complement>},
    // 40
    {kNode, "991CDDFF-E88A-11DD-9B98-EEC3E5124D8D", "Arithmetic/Modulus", "Modulus", make<Modulus>},
    {kNode, "1FCBF8EB-F1E7-11DD-A30D-F7A0FD545234", "Effect/Screen/BackBuffer To RT", "Back buffer to screen effect",
        make<BackBuffer2Screen>},
    {kNode, "DCF42380-B253-11DD-9288-F17C82B47B41", "Effect/Screen/ClearScreen", "Clear Screen Effect",
        make<ClearScreen>},
    {kNode, "13382D4D-FEDB-11DE-8A68-E81C49CBD163", "Effect/Spline/2d Spline", "2d Spline Effect",
        make<Spline2DEffect>},
    {kNode, "64F960A0-E9FF-11DD-93A8-89895ED7ACE3", "Effect/Texture/Texture", "Texture Effect",
        make<TextureEffect>},
    {kNode, "4893A6A0-0683-11DE-B5C0-F6EA650898F0", "Effect/Texture/Animated Texture", "Animated Texture",
        make<AnimatedTextureEffect>},
    {kNode, "C0E625D2-F3A8-11DD-8057-8A02F6C56FE5", "Effect/Texture/Fullscreen Quad", "Fullscreen quad Effect",
        make<FullscreenQuad>},
    {kResource, "1CF18094-BA19-11DD-83A8-8D9303237748", "Texture Resource", "Texture Resource",
        make<TextureResource>},
    {kLoader, "A6A09A24-B71E-11DD-B744-EBAD6DC0932E", "Texture/Texture", "2d Texture Resource Loader",
        make<TextureResourceLoader>},
    {kResource, "7BBA3F63-3E5E-11DE-A50C-897DAB0361CA", "Texture Atlas Resource", "Texture Atlas Resource",
        make<TextureAtlasResource>},
    // 50
    {kLoader, "DC58A293-3E62-11DE-909D-9F1312BBD935", "Texture/Texture Atlas", "Texture Atlas Resource Loader",
        make<TextureAtlasResourceLoader>},
    {kLoader, "DBE7028D-2274-11DE-9105-CA55D6869DA8", "Texture/Cubemap", "Cube Texture Resource Loader",
        make<CubeTextureResourceLoader>},
    {kResource, "0CAB70D6-F182-11DD-9C88-A960EEEB6D89", "Rendertarget Resource", "Rendertarget Resource",
        make<RenderTargetResource>},
    {kLoader, "193ACA04-F182-11DD-9C88-A960EEEB6D89", "RenderTarget/RenderTarget", "Render Target Resource Loader",
        make<RenderTargetResourceLoader>},
    {kNode, "ADF3C9B7-E5BB-11DD-852B-B0D445C48459", "Stack/Render Stack", "Render Stack Node", make<RenderStack>},
    {kNode, "B712BAB5-E6E9-11DD-844F-ED9E3C6EA2DB", "Stack/Node Stack", "Node Stack Node", make<NodeStack>},
    {kNode, "AA18FF48-EA4A-11DE-84F2-9904CA330864", "Core/Collection", "Collection Node", make<Collection>},
    {kNode, "F6C2CC20-ED50-11DD-BF73-9123C70A0D9B", "Logic/And", "And", make<And>},
    {kNode, "E6F292EE-ED51-11DD-BF73-9123C70A0D9B", "Logic/Comparison", "Comparison", make<Comparison>},
    {kNode, "0058C13A-ED54-11DD-BF73-9123C70A0D9B", "Misc/Curve", "Curve", make<Curve>},
    // 60
    {kNode, "ADED3BA2-ED53-11DD-BF73-9123C70A0D9B", "Logic/Or", "Or", make<Or>},
    {kNode, "88306627-E725-11DD-BF2C-B92055221C4A", "Misc/Mix In", "MixIn", make<MixIn>},
    {kNode, "8E7F1587-E725-11DD-BF2C-B92055221C4A", "Misc/Mix Out", "MixOut", make<MixOut>},
    {kNode, "426C7DF9-F137-11DD-9ABA-AB6E6BD4E393", "Misc/Perlin Noise", "PerlinNoise", make<PerlinNoise>},
    {kNode, "DB94E697-E727-11DD-9823-C725EA03B51E", "Value/Time", "Time", make<TimeModifier>},
    {kNode, "FB00D410-EA7D-11DD-B06F-A03A0823C824", "Effect/Sound/Sound", "Sound Effect", make<SoundEffect>},
    {kResource, "0A00B3E0-EA7E-11DD-B06F-A03A0823C824", "Sound Resource", "Sound Resource", make<SoundResource>},
    {kLoader, "0EEDB060-EA7E-11DD-B06F-A03A0823C824", "Sound/Sound", "Image Resource Loader",
        make<SoundResourceLoader>},
    {kNode, "1D77C1E0-F78D-11DD-BD73-A3099C3902D7", "Script/Script", "Script Node", make<ScriptNode>},
    {kNode, "F0CCF960-F7B1-11DD-89B0-8388B0DCA6D2", "Effect/Text/Text", "Text Effect", make<TextEffect>},
    // 70
    {kResource, "1E2407A0-F7B2-11DD-98FC-8AA50E493AB6", "Font Resource", "Font Resource", make<FontResource>},
    {kLoader, "4271B350-F7B2-11DD-98FC-8AA50E493AB6", "Font/Font", "Font Resource Loader",
        make<FontResourceLoader>},
    {kResource, "095C32A8-0689-11DE-8B8C-FBA208CCE8DA", "Animated Texture Resource", "Animated Texture Resource",
        make<AnimatedTextureResource>},
    {kLoader, "D992F1B0-0683-11DE-B5EE-E18597D763F8", "Texture/Animated Texture", "Animated Texture Resource Loader",
        make<AnimatedTextureResourceLoader>},
    {kResource, "BD12FA3A-0D66-11DE-9658-A306579BAEC5", "Scene Resource", "Scene Resource", make<SceneResource>},
    {kLoader, "F802D9D0-0D66-11DE-9658-A306579BAEC5", "3D/Scene", "Scene Resource Loader",
        make<SceneResourceLoader>},
    {kNode, "12C3E60D-0D69-11DE-8C94-B8CD3BAF4A2A", "3D/Scene Graph", "Scene Effect", make<SceneEffect>},
    {kNode, "D26DF6B1-0EFA-11DE-99C7-DFCFD624C433", "3D/Scene Render", "Scene Render", make<SceneRenderEffect>},
    {kNode, "36E3651D-0D8A-11DE-B171-FEFCC7395B7D", "3D/Camera", "Camera Effect", make<CameraEffect>},
    {kNode, "584A8330-0D8A-11DE-B171-FEFCC7395B7D", "3D/Light", "Light Effect", make<LightEffect>},
    // 80
    {kNode, "C94EE51B-0E37-11DE-945C-D8B628B6A8A0", "Keyframe/Animation", "Animation", make<Animation>},
    {kNode, "C0C906CA-1303-11DE-A0D4-DFE1E68F042A", "3D/View Matrix", "View Matrix Effect", make<ViewMatrix>},
    {kNode, "064B4B3F-1412-11DE-A36D-B9C63559994F", "3D/Shader/Material", "Material Effect", make<MaterialEffect>},
    {kNode, "5F044A2D-1485-11DE-8C43-884C9573DF09", "3D/Shader/Shader", "Shader Effect", make<ShaderEffect>},
    {kNode, "37F346FC-E030-11DE-978F-9A68AA91A0F7", "3D/Flare", "Flare Effect", make<FlareEffect>},
    {kNode, "5A6F76ED-E30D-11DE-940C-D48F9C71F939", "3D/Lens Flare", "Lens Flare Effect", make<LensFlareEffect>},
    {kNode, "BBA66D10-17FB-11DE-BF94-A17399492AB8", "Parameter/Scalar", "Scalar Shader Parameter",
        make<ParameterScalar>},
    {kNode, "B24238F0-17FE-11DE-BF94-A17399492AB8", "Parameter/Integer", "Integer Shader Parameter",
        make<ParameterInt>},
    {kNode, "B5FF40F0-17FE-11DE-BF94-A17399492AB8", "Parameter/Vec2", "Vec2 Shader Parameter",
        make<ParameterVec2>},
    {kNode, "B9CD38E0-17FE-11DE-BF94-A17399492AB8", "Parameter/Vec3", "Vec3 Shader Parameter",
        make<ParameterVec3>},
    // 90
    {kNode, "BD81B560-17FE-11DE-BF94-A17399492AB8", "Parameter/Vec4", "Vec4 Shader Parameter",
        make<ParameterVec4>},
    {kNode, "C0DF8660-17FE-11DE-BF94-A17399492AB8", "Parameter/Color", "Color Shader Parameter",
        make<ParameterColor>},
    {kNode, "C52657D0-17FE-11DE-BF94-A17399492AB8", "Parameter/Resource", "Resource Shader Parameter",
        make<ParameterResource>},
    {kNode, "70C0D550-18B0-11DE-95E2-830121C1AE93", "Effect/Texture/Glow", "Image glow effect", make<Glow>},
    {kNode, "77A825C0-18B1-11DE-B490-FE0E64559BFC", "Effect/Texture/Blur", "Texture blur effect", make<Blur>},
    {kNode, "7BC23D26-3B16-11DE-9932-E391ABBE640B", "Effect/Texture/Composite", "Image composite effect",
        make<Composite>},
    {kNode, "FB4EEF3B-1A3B-11DE-A364-8202B22BFED5", "Effect/Texture/Color Correction", "Image color correction effect",
        make<ColorCorrection>},
    {kNode, "51B256CB-1A49-11DE-B180-EDCDBDFB8C64", "Effect/Texture/RGB Seperation", "Image rgb seperation effect",
        make<RGBSeperation>},
    {kNode, "6C2BF7F2-3BBA-11DE-BA16-BB9A34781423", "Effect/Texture/Negative", "Image negative", make<Negative>},
    {kNode, "F6204882-3BBA-11DE-BA16-BB9A34781423", "Effect/Texture/Color Key", "Color Key", make<ColorKey>},
    // 100
    {kNode, "CC2C7DF2-3BC4-11DE-BA16-BB9A34781423", "Effect/Texture/Wave", "Texture wave", make<Wave>},
    {kNode, "C06A21A2-3BDF-11DE-BF59-847ADB7C20B3", "Effect/Texture/Edge Detect", "Edge detect", make<EdgeDetect>},
    {kNode, "CACA1382-3BDF-11DE-BF59-847ADB7C20B3", "Effect/Texture/Sobel Edge", "Sobel edge", make<SobelEdge>},
    {kNode, "D342C6E2-3C96-11DE-80E7-CCCB6596A6AA", "Effect/Texture/Radial Blur", "Radial Blur", make<RadialBlur>},
    {kNode, "856A0050-2051-11DE-9D34-F3DD278E6044", "3D/Particle/Particle System", "Particle System Effect",
        make<ParticleSystemEffect>},
    {kNode, "A32ABD50-2060-11DE-8173-A69DC20BAC7C", "3D/Particle/Emitter/Box Emitter", "Box Emitter",
        make<ParticleBoxEmitter>},
    {kNode, "AAF648B0-2060-11DE-8173-A69DC20BAC7C", "3D/Particle/Modifier/Color Modifier", "Particle color modifier",
        make<ParticleColorModifier>},
    {kNode, "1283077B-2086-11DE-AA50-98E911BD1873", "3D/Particle/Modifier/Attractor Modifier", "Attractor modifier",
        make<ParticleAttractorModifier>},
    {kNode, "4265471F-208E-11DE-AA50-98E911BD1873", "3D/Particle/Modifier/Camera Fade Modifier", "Particle color modifier",
        make<ParticleCameraDistanceFadeModifier>},
    {kNode, "559CE5ED-208E-11DE-AA50-98E911BD1873", "3D/Particle/Emitter/Cylinder Emitter", "Box Emitter",
        make<ParticleCylinderEmitter>},
    // 110
    {kNode, "6E6B535B-208E-11DE-AA50-98E911BD1873", "3D/Particle/Modifier/Linear Force Modifier", "Particle color modifier",
        make<ParticleLinearForceModifier>},
    {kNode, "8CB157A8-2090-11DE-AA50-98E911BD1873", "3D/Particle/Modifier/Plane Modifier", "Particle color modifier",
        make<ParticlePlaneModifier>},
    {kNode, "92B90290-208E-11DE-AA50-98E911BD1873", "3D/Particle/Modifier/Random Emitter", "Box Emitter",
        make<ParticleRandomEmitter>},
    {kNode, "B3E33D24-208E-11DE-AA50-98E911BD1873", "3D/Particle/Emitter/Sphere Emitter", "Sphere Emitter",
        make<ParticleSphereEmitter>},
    {kNode, "A2BA1970-208E-11DE-AA50-98E911BD1873", "3D/Particle/Modifier/Size Modifier", "Particle color modifier",
        make<ParticleSizeModifier>},
    {kNode, "EFE930F7-209D-11DE-84BB-C2EA7EF6DB97", "3D/Particle/Emitter/Mesh Emitter", "Mesh Emitter",
        make<ParticleMeshEmitter>},
    {kNode, "E959B31C-41F7-11DE-9D15-A2A6D0B38BFD", "Stack/Select From Stack", "Select from stack",
        make<SelectFromStack>},
    {kNode, "97AB42A4-55E4-11DE-AA78-9463349717FE", "Effect/Texture/CMYK Distort", "CMYK Distort Effect",
        make<CMYKDistort>},
    {kNode, "9C8AE555-567B-11DE-95C2-EAC7C912CFB7", "Effect/Texture/Gradient", "Gradient Effect", make<Gradient>},
    {kNode, "96A70BD1-5683-11DE-86FC-C775518C9FBA", "Effect/Texture/Radial Gradient", "Radial Gradient Effect",
        make<RadialGradient>},
};

constexpr int kRowCount = static_cast<int>(std::size(kRows));
static_assert(kRowCount == 120, "the library answers exactly 120 indexes");

constexpr bool everyRowCreates()
{
    for (Row const& row : kRows)
        if (!row.create)
            return false;
    return true;
}
static_assert(everyRowCreates(), "every row makes an object");

PluginLibraryDesc& libraryDesc()
{
    static PluginLibraryDesc desc = [] {
        PluginLibraryDesc made;
        stringToUniqueId("DA1B056E-B23C-11DD-BE63-950169F8C30A", made.id);
        made.category = "Standard";
        made.name = "Standard Effects Library";
        made.reserved = 0;
        return made;
    }();
    return desc;
}

// Made on the first query of its index and kept, so every query answers the same pointer.
PluginDesc* rowDesc(int index)
{
    static std::array<std::unique_ptr<PluginDesc>, kRowCount> made;
    auto& slot = made[static_cast<size_t>(index)];
    if (!slot) {
        Row const& row = kRows[index];
        auto desc = std::make_unique<PluginDesc>();
        desc->type = row.type;
        stringToUniqueId(row.id, desc->id);
        desc->path = row.path;
        desc->name = row.name;
        slot = std::move(desc);
    }
    return slot.get();
}

} // namespace

extern "C" {

PluginLibraryDesc* tormakelinPluginFactoryQuery()
{
    return &libraryDesc();
}

void* tormakelinPluginQuery(int kind, int index)
{
    if (index < 0 || index >= kRowCount)
        return nullptr;
    try {
        if (kind == kPluginQueryDesc)
            return rowDesc(index);
    } catch (std::bad_alloc const&) {
        return nullptr;
    }
    if (kind == kPluginQueryCreate)
        return kRows[index].create();
    return nullptr;
}

} // extern "C"
