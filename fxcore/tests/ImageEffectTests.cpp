#include "TextureEffectSupport.h"

#include <tormakelin/fxcore/ImageEffects.h>
#include <tormakelin/fxcore/RenderTargetResource.h>

#include <QuietLog.h>

#include <tormakelin/core/Debug.h>
#include <tormakelin/render/RenderTarget.h>

#include <functional>
#include <memory>

using namespace texture_test;
using namespace tormakelin::fxcore;

namespace {

using NodeRef = core::SmartRef<Effect>;

char const* const kImageId = "11111111-0000-0000-0000-000000000001";
char const* const kOtherId = "11111111-0000-0000-0000-000000000002";
char const* const kMaskId = "11111111-0000-0000-0000-000000000003";
char const* const kTargetIds[3] = {"22222222-0000-0000-0000-000000000001", "22222222-0000-0000-0000-000000000002",
                                   "22222222-0000-0000-0000-000000000003"};
char const* const kAnimationId = "33333333-0000-0000-0000-000000000001";

class ImageEffectTest : public FamilyDeviceTest {
public:
    // A node of the class covering the whole 64x64 view, with further inputs set by text.
    template <class T>
    core::SmartRef<T> placed(std::vector<std::pair<char const*, char const*>> values = {})
    {
        core::SmartRef<T> node(new T);
        values.insert(values.begin(), {{"Transform/Position", "0,0"}, {"Transform/Size", "64,64"}});
        setInputs(*node, values);
        return node;
    }

    // Left half one colour, right half another.
    render::ITexture* halves(uint32_t left, uint32_t right)
    {
        std::vector<uint32_t> pixels(size_t(kSize) * kSize);
        for (unsigned y = 0; y < kSize; ++y)
            for (unsigned x = 0; x < kSize; ++x)
                pixels[size_t(y) * kSize + x] = x < kSize / 2 ? left : right;
        return makeTexture(pixels, kSize, kSize);
    }

    std::string addImage(render::ITexture* texture, char const* id = kImageId)
    {
        return lookup.addTexture(texture, id);
    }

    // A render-target resource of that size under the id.
    RenderTargetResource* addTarget(char const* id, unsigned size)
    {
        auto* resource = new RenderTargetResource;
        resource->setPluginDesc(RenderTargetResource::_pluginDesc);
        render::TextureCreateParams params;
        params.format = D3DFMT_A8R8G8B8;
        EXPECT_TRUE(resource->create(size, size, params, false));
        lookup.add(resource, id);
        return resource;
    }

    int drawsOf(std::function<void()> const& draw)
    {
        int const before = device->getStatistics()->drawCalls;
        draw();
        return device->getStatistics()->drawCalls - before;
    }

    ResourceLookup lookup;
};

} // namespace

// Project files and the editor see the inputs in this order, with these types and defaults.
TEST(ImageEffectInputs, InOrderWithTypesAndDefaults)
{
    std::string const white = "255.000000,255.000000,255.000000,255.000000";
    std::vector<std::string> const common = {"Attributes/Blend Mode 10 0", "Attributes/Color 9 " + white,
        "Attributes/Channel 10 0", "Transform/Position 5 0.000000,0.000000", "Transform/Size 5 256.000000,256.000000",
        "Transform/Rotation 4 0.000000", "Transform/Anchor Center 3 1", "Transform/Anchor Point 5 0.000000,0.000000",
        "UV/UV Mode 10 1", "UV/UV Rect 7 0.000000,0.000000,1.000000,1.000000"};
    auto shape = [&](std::vector<std::string> textures, std::vector<std::string> const& own) {
        std::vector<std::string> out = std::move(textures);
        out.insert(out.end(), common.begin(), common.end());
        out.insert(out.end(), own.begin(), own.end());
        out.push_back("Script/Script 0 ");
        return out;
    };
    std::vector<std::string> const texture = {"Attributes/Texture 11 0"};
    std::vector<std::string> const targets = {"Blur/Downsample 11 0", "Blur/Horizontal 11 0", "Blur/Vertical 11 0"};
    struct Case {
        char const* name;
        Effect* (*make)();
        std::vector<std::string> inputs;
    };
    Case const cases[] = {
        {"Wave", [] { return static_cast<Effect*>(new Wave); },
         shape(texture, {"Wave/Frequency 5 1.000000,1.000000", "Wave/Differance 5 0.100000,0.100000",
                         "Wave/Amplitude 5 0.010000,0.010000", "Wave/Offset 5 0.010000,0.010000"})},
        {"SobelEdge", [] { return static_cast<Effect*>(new SobelEdge); },
         shape(texture, {"EdgeDetect/Threshold 4 0.500000", "EdgeDetect/Brightness 4 1.000000"})},
        {"RGBSeperation", [] { return static_cast<Effect*>(new RGBSeperation); },
         shape(texture, {"Attributes/Power 4 1.000000", "Attributes/Frequency 6 5.000000,5.000000,5.000000",
                         "Attributes/Amplitude 6 0.010000,0.010000,0.010000",
                         "Attributes/Difference 6 0.100000,0.100000,0.100000"})},
        {"RadialBlur", [] { return static_cast<Effect*>(new RadialBlur); },
         shape(texture, {"RadialBlur/Iterations 2 16", "RadialBlur/Start Color 9 " + white,
                         "RadialBlur/End Color 9 32.000000,32.000000,32.000000,32.000000",
                         "RadialBlur/Scale 4 1.500000", "RadialBlur/Rotation 2 0"})},
        {"Negative", [] { return static_cast<Effect*>(new Negative); }, shape(texture, {})},
        {"EdgeDetect", [] { return static_cast<Effect*>(new EdgeDetect); },
         shape(texture, {"EdgeDetect/Threshold 4 0.500000", "EdgeDetect/Pixelsteps 4 1.500000"})},
        {"Composite", [] { return static_cast<Effect*>(new Composite); },
         shape({"Attributes/Texture-1 11 0", "Attributes/Texture-2 11 0", "Attributes/Alpha Texture 11 0"},
               {"Composite/Alpha Mode 10 0", "Composite/Fade 4 0.000000"})},
        {"ColorKey", [] { return static_cast<Effect*>(new ColorKey); },
         shape(texture, {"ColorKey/Color 9 " + white, "ColorKey/Threshold 4 1.000000"})},
        {"ColorCorrection", [] { return static_cast<Effect*>(new ColorCorrection); },
         shape(texture, {"Attributes/Brightness 4 1.000000", "Attributes/Contrast 4 1.000000",
                         "Attributes/Saturation 4 1.000000", "Attributes/Hue 4 0.000000"})},
        {"CMYKDistort", [] { return static_cast<Effect*>(new CMYKDistort); },
         shape({"Attributes/Render Target 11 0", "Attributes/Texture 11 0"},
               {"Distort/Center Point 5 0.500000,0.500000", "Distort/Cyan Offset 5 -0.024000,0.000000",
                "Distort/Magenta Offset 5 0.000000,0.001000", "Distort/Yellow Offset 5 -0.003000,-0.001000",
                "Distort/Black (K) Offset 5 0.000000,-0.015000", "Distort/Cyan Rotation 4 -2.440000",
                "Distort/Magenta Rotation 4 0.000000", "Distort/Yellow Rotation 4 0.000000",
                "Distort/Black (K) Rotation 4 0.000000"})},
        {"Glow", [] { return static_cast<Effect*>(new Glow); },
         [&] {
             std::vector<std::string> out = {"Attributes/Texture 11 0", "Attributes/Glow Intensity 4 0.500000",
                 "Attributes/Highlight Intensity 4 1.000000", "Attributes/Highlight Threshold 4 0.500000",
                 "Blur/Width 4 1.500000"};
             out.insert(out.end(), targets.begin(), targets.end());
             out.insert(out.end(), {"Attributes/Blend Mode 10 0", "Script/Script 0 "});
             return out;
         }()},
        {"Blur", [] { return static_cast<Effect*>(new Blur); },
         [&] {
             std::vector<std::string> out = {"Attributes/Texture 11 0", "Attributes/Blend Mode 10 0",
                 "Blur/Alpha 4 1.000000", "Blur/Vertical Iterations 2 1", "Blur/Horizontal Iterations 2 1",
                 "Blur/Width 4 1.500000"};
             out.insert(out.end(), targets.begin(), targets.end());
             out.push_back("Script/Script 0 ");
             return out;
         }()},
        {"AnimatedTextureEffect", [] { return static_cast<Effect*>(new AnimatedTextureEffect); },
         [&] {
             std::vector<std::string> out = shape(texture, {});
             out[1] = "Attributes/Blend Mode 10 1";
             return out;
         }()},
    };
    for (Case const& k : cases) {
        SCOPED_TRACE(k.name);
        NodeRef node(k.make());
        std::vector<std::string> got;
        for (NodeParameter const* input : node->getInputs())
            if (input->name != "Instance/Name")
                got.push_back(input->name + " " + std::to_string(input->getType()) + " " + input->value->getText());
        EXPECT_EQ(got, k.inputs);
        ASSERT_EQ(node->getOutputs().size(), 1u);
        EXPECT_EQ(node->getOutputs().front()->name, "Output");
        for (char const* slot : {"Blur/Downsample", "Blur/Horizontal", "Blur/Vertical"}) {
            if (NodeParameter const* input = node->findInput(slot)) {
                EXPECT_FALSE(input->linkable) << slot;
            }
        }
    }
    EXPECT_EQ(TextureEffect::m_refCount, 0u);
}

// Each single-quad effect at a chosen pixel, against values worked out by hand.
TEST_F(ImageEffectTest, SingleQuadEffectsFollowTheirFormulas)
{
    using Inputs = std::vector<std::pair<char const*, char const*>>;
    struct Case {
        char const* what;
        std::function<NodeRef(ImageEffectTest&, Inputs)> make;
        Inputs inputs;
        unsigned x;
        Rgba expected;
    };
    auto make = [](auto tag) {
        using T = typename decltype(tag)::type;
        return [](ImageEffectTest& test, Inputs inputs) { return NodeRef(test.placed<T>(std::move(inputs)).get()); };
    };
    auto negative = make(std::type_identity<Negative>{});
    auto composite = make(std::type_identity<Composite>{});
    auto correction = make(std::type_identity<ColorCorrection>{});
    auto key = make(std::type_identity<ColorKey>{});
    auto wave = make(std::type_identity<Wave>{});
    auto separation = make(std::type_identity<RGBSeperation>{});
    auto edge = make(std::type_identity<EdgeDetect>{});
    auto sobel = make(std::type_identity<SobelEdge>{});

    // kImageId: (64,128,192); kOtherId: (30,60,90); kMaskId: alpha 128 and grey 128 on the left,
    // alpha 0 and black on the right. Split images are registered per case below.
    Case const cases[] = {
        {"negative", negative, {{"Attributes/Texture", kImageId}}, 32, {191, 127, 63, 0}},
        {"negative, tinted", negative, {{"Attributes/Texture", kImageId}, {"Attributes/Color", "255,0,255,255"}}, 32,
         {191, 255, 63, 0}},
        {"composite, fade 0.5 over alpha 0.5: even mix", composite,
         {{"Attributes/Texture-1", kImageId}, {"Attributes/Texture-2", kOtherId},
          {"Attributes/Alpha Texture", kMaskId}, {"Composite/Fade", "0.5"}},
         16, {47, 94, 141, 255}},
        {"composite, fade 0 over alpha 0: texture 1", composite,
         {{"Attributes/Texture-1", kImageId}, {"Attributes/Texture-2", kOtherId},
          {"Attributes/Alpha Texture", kMaskId}, {"Composite/Fade", "0"}},
         48, {64, 128, 192, 255}},
        {"composite, fade 1: texture 2", composite,
         {{"Attributes/Texture-1", kImageId}, {"Attributes/Texture-2", kOtherId},
          {"Attributes/Alpha Texture", kMaskId}, {"Composite/Fade", "1"}},
         48, {30, 60, 90, 255}},
        {"composite, RGB mode reads the mask's grey", composite,
         {{"Attributes/Texture-1", kImageId}, {"Attributes/Texture-2", kOtherId},
          {"Attributes/Alpha Texture", kMaskId}, {"Composite/Fade", "0.5"}, {"Composite/Alpha Mode", "1"}},
         16, {47, 94, 141, 255}},
        {"colour correction 1/1/1/0 is the identity", correction, {{"Attributes/Texture", kImageId}}, 32,
         {64, 128, 192, 255}},
        // A turn of 120 degrees about the grey axis moves red to green, green to blue, blue to red.
        {"colour correction, hue 120", correction, {{"Attributes/Texture", kImageId}, {"Attributes/Hue", "120"}}, 32,
         {192, 64, 128, 255}},
        {"colour correction, saturation 0", correction,
         {{"Attributes/Texture", kImageId}, {"Attributes/Saturation", "0"}}, 32, {114, 114, 114, 255}},
        {"colour key, threshold 0 keys nothing", key,
         {{"Attributes/Texture", kImageId}, {"ColorKey/Color", "64,128,192,255"}, {"ColorKey/Threshold", "0"}}, 32,
         {64, 128, 192, 255}},
        {"colour key, near colour keyed", key,
         {{"Attributes/Texture", kImageId}, {"ColorKey/Color", "70,120,190,255"}, {"ColorKey/Threshold", "0.1"}}, 32,
         {0, 0, 0, 0}},
        // Split red | blue image: an offset of a quarter reads the blue half a quarter earlier.
        {"wave offset", wave,
         {{"Attributes/Texture", kOtherId}, {"Wave/Amplitude", "0,0"}, {"Wave/Offset", "0.25,0"}}, 20,
         {0, 0, 255, 255}},
        {"wave offset, before the shifted edge", wave,
         {{"Attributes/Texture", kOtherId}, {"Wave/Amplitude", "0,0"}, {"Wave/Offset", "0.25,0"}}, 8,
         {255, 0, 0, 255}},
        // Split white | black image: red alone is read half an amplitude to the right, times power.
        {"rgb separation moves red alone", separation,
         {{"Attributes/Texture", kMaskId}, {"Attributes/Frequency", "0,0,0"}, {"Attributes/Difference", "0,0,0"},
          {"Attributes/Amplitude", "0.25,0,0"}, {"Attributes/Power", "2"}},
         20, {0, 255, 255, 255}},
        // Step edge black | white at x = 32.
        {"edge detect lights the edge", edge, {{"Attributes/Texture", kImageId}}, 32, {255, 255, 255, 255}},
        {"edge detect leaves the dark side black", edge, {{"Attributes/Texture", kImageId}}, 8, {0, 0, 0, 255}},
        {"edge detect leaves the bright side black", edge, {{"Attributes/Texture", kImageId}}, 56, {0, 0, 0, 255}},
        // The Sobel effect keeps flat areas' colour and blacks out the edge between them.
        {"sobel edge darkens the edge", sobel, {{"Attributes/Texture", kImageId}}, 32, {0, 0, 0, 255}},
        {"sobel edge keeps the bright side", sobel, {{"Attributes/Texture", kImageId}}, 56, {255, 255, 255, 255}},
        {"sobel edge keeps the dark side", sobel, {{"Attributes/Texture", kImageId}}, 8, {0, 0, 0, 255}},
    };
    render::ITexture* const image = solidTexture(0xFF4080C0u);
    render::ITexture* const redBlue = halves(0xFFFF0000u, 0xFF0000FFu);
    render::ITexture* const step = halves(0xFF000000u, 0xFFFFFFFFu);
    render::ITexture* const whiteBlack = halves(0xFFFFFFFFu, 0xFF000000u);
    render::ITexture* const other = solidTexture(0xFF1E3C5Au);
    render::ITexture* const mask = halves(0x80808080u, 0x00000000u);
    for (Case const& k : cases) {
        SCOPED_TRACE(k.what);
        std::string const what = k.what;
        bool const edges = what.find("edge") != std::string::npos;
        bool const split = what.find("wave") != std::string::npos;
        bool const separated = what.find("separation") != std::string::npos;
        addImage(edges ? step : image, kImageId);
        addImage(split ? redBlue : other, kOtherId);
        addImage(separated ? whiteBlack : mask, kMaskId);
        clear({0, 0, 0, 255});
        NodeRef node = k.make(*this, k.inputs);
        node->render(context);
        expectNear(pixel(k.x, 32), k.expected, 2);
        for (char const* id : {kImageId, kOtherId, kMaskId})
            lookup.remove(id);
    }
}

// Without a connected resource, some members still draw with the texture last set; others draw nothing.
TEST_F(ImageEffectTest, WithoutAResourceOnlyTheModelMembersDraw)
{
    struct Case {
        char const* name;
        std::function<NodeRef(ImageEffectTest&)> make;
        bool draws;
    };
    Case const cases[] = {
        {"Negative", [](ImageEffectTest& t) { return NodeRef(t.placed<Negative>().get()); }, true},
        {"Wave", [](ImageEffectTest& t) { return NodeRef(t.placed<Wave>().get()); }, true},
        {"ColorKey",
         [](ImageEffectTest& t) { return NodeRef(t.placed<ColorKey>({{"ColorKey/Threshold", "0"}}).get()); }, true},
        {"RGBSeperation", [](ImageEffectTest& t) { return NodeRef(t.placed<RGBSeperation>().get()); }, false},
        {"ColorCorrection", [](ImageEffectTest& t) { return NodeRef(t.placed<ColorCorrection>().get()); }, false},
        {"CMYKDistort", [](ImageEffectTest& t) { return NodeRef(t.placed<CMYKDistort>().get()); }, false},
        {"Glow", [](ImageEffectTest&) { return NodeRef(new Glow); }, false},
        {"Blur", [](ImageEffectTest&) { return NodeRef(new Blur); }, false},
        {"AnimatedTextureEffect", [](ImageEffectTest& t) { return NodeRef(t.placed<AnimatedTextureEffect>().get()); },
         false},
    };
    for (Case const& k : cases) {
        SCOPED_TRACE(k.name);
        NodeRef node = k.make(*this);
        EXPECT_EQ(drawsOf([&] { node->render(context); }) > 0, k.draws);
    }
}

// Copies grow towards Scale and turn towards Rotation; their count is clamped to 1..128.
TEST_F(ImageEffectTest, RadialBlurDrawsItsCopies)
{
    addImage(solidTexture(0xFFFFFFFFu));
    struct Count {
        char const* iterations;
        int draws;
    };
    for (Count const& k : {Count{"0", 1}, Count{"-5", 1}, Count{"16", 16}, Count{"500", 128}}) {
        SCOPED_TRACE(k.iterations);
        auto node = placed<RadialBlur>({{"Attributes/Texture", kImageId}, {"RadialBlur/Iterations", k.iterations}});
        EXPECT_EQ(drawsOf([&] { node->render(context); }), k.draws);
    }

    // A 32x32 square in the middle; the second copy (t = 0.5) is 1.5 times as big, in the mean colour.
    auto grown = placed<RadialBlur>({{"Attributes/Texture", kImageId}, {"Transform/Position", "16,16"},
        {"Transform/Size", "32,32"}, {"RadialBlur/Iterations", "2"}, {"RadialBlur/Scale", "2"},
        {"RadialBlur/Start Color", "255,0,0,255"}, {"RadialBlur/End Color", "0,0,255,255"}});
    clear({0, 0, 0, 255});
    grown->render(context);
    expectNear(pixel(32, 32), {128, 0, 128, 255}, 2);
    expectNear(pixel(10, 32), {128, 0, 128, 255}, 2);
    expectNear(pixel(4, 32), {0, 0, 0, 255}, 0);

    // Rotation 90: the second copy turns 45 degrees, a diamond reaching above the square.
    auto turned = placed<RadialBlur>({{"Attributes/Texture", kImageId}, {"Transform/Position", "16,16"},
        {"Transform/Size", "32,32"}, {"RadialBlur/Iterations", "2"}, {"RadialBlur/Scale", "1"},
        {"RadialBlur/Rotation", "90"}, {"RadialBlur/Start Color", "255,0,0,255"},
        {"RadialBlur/End Color", "0,0,255,255"}});
    clear({0, 0, 0, 255});
    turned->render(context);
    expectNear(pixel(17, 17), {255, 0, 0, 255}, 2);
    expectNear(pixel(32, 12), {128, 0, 128, 255}, 2);
    expectNear(pixel(32, 32), {128, 0, 128, 255}, 2);
}

// Blur passes ping-pong between the blur targets; the composition reads the last one written,
// or the downsampled image when there is no horizontal pass.
TEST(BlurPlan, TargetsWrittenAndComposed)
{
    using S = BlurChainBase::Slot;
    S const D = BlurChainBase::kDownsample, H = BlurChainBase::kHorizontal, V = BlurChainBase::kVertical;
    struct Case {
        int horizontal, vertical;
        std::vector<S> writes;
        S composed;
    };
    Case const cases[] = {
        {3, 2, {H, V, H, V, H}, H},
        {1, 1, {H, V}, V},
        {2, 0, {H, V}, V},
        {1, 0, {H}, H},
        {0, 2, {H, V}, D},
        {0, 0, {}, D},
        {-3, -1, {}, D},
    };
    for (Case const& k : cases) {
        SCOPED_TRACE(std::to_string(k.horizontal) + " " + std::to_string(k.vertical));
        Blur::Plan plan;
        Blur::plan(k.horizontal, k.vertical, plan);
        EXPECT_EQ(std::vector<S>(plan.writes, plan.writes + plan.count), k.writes);
        EXPECT_EQ(plan.composedFrom, k.composed);
    }
    Blur::Plan most;
    Blur::plan(500, 500, most);
    EXPECT_EQ(most.count, 64);
}

// Glow and Blur through three 32x32 targets: a flat image comes out flat, the glow only where
// it is brighter than the threshold.
TEST_F(ImageEffectTest, GlowAndBlurComposeThroughTheirTargets)
{
    for (int slot = 0; slot < 3; ++slot)
        addTarget(kTargetIds[slot], 32);
    auto chain = [&](GraphNode& node) {
        setInputs(node, {{"Blur/Downsample", kTargetIds[0]}, {"Blur/Horizontal", kTargetIds[1]},
                         {"Blur/Vertical", kTargetIds[2]}, {"Attributes/Texture", kImageId}});
    };
    struct Case {
        char const* what;
        bool glow;
        uint32_t image;
        std::vector<std::pair<char const*, char const*>> inputs;
        int draws;
        Rgba expected;
    };
    Case const cases[] = {
        {"glow of white: intensity times the highlight", true, 0xFFFFFFFFu, {}, 4, {128, 128, 128, 255}},
        {"glow, highlight 2", true, 0xFFFFFFFFu, {{"Attributes/Highlight Intensity", "2"}}, 4,
         {255, 255, 255, 255}},
        {"glow below the threshold is dark", true, 0xFF333333u, {}, 4, {0, 0, 0, 0}},
        {"blur 3 across, 2 down", false, 0xFF4080C0u,
         {{"Blur/Horizontal Iterations", "3"}, {"Blur/Vertical Iterations", "2"}}, 7, {64, 128, 192, 255}},
        {"blur across only", false, 0xFF4080C0u,
         {{"Blur/Horizontal Iterations", "2"}, {"Blur/Vertical Iterations", "0"}, {"Blur/Alpha", "0.5"}}, 4,
         {64, 128, 192, 128}},
        {"blur without passes composes the downsample", false, 0xFF4080C0u,
         {{"Blur/Horizontal Iterations", "0"}, {"Blur/Vertical Iterations", "0"}}, 2, {64, 128, 192, 255}},
    };
    for (Case const& k : cases) {
        SCOPED_TRACE(k.what);
        addImage(solidTexture(k.image));
        NodeRef node(k.glow ? static_cast<Effect*>(new Glow) : static_cast<Effect*>(new Blur));
        chain(*node);
        setInputs(*node, k.inputs);
        clear({0, 0, 0, 0});
        EXPECT_EQ(drawsOf([&] { node->render(context); }), k.draws);
        // The first row too: the passes into the targets cover them whole.
        expectNear(pixel(32, 32), k.expected, 2);
        expectNear(pixel(0, 0), k.expected, 2);
        lookup.remove(kImageId);
    }
}

// One target in two of the three slots would be read while it is written: nothing is drawn and
// the reason is given once.
TEST_F(ImageEffectTest, AChainTargetInTwoSlotsDrawsNothingAndSaysSoOnce)
{
    tormakelin::test::LogCatcher const log;
    addTarget(kTargetIds[0], 32);
    addTarget(kTargetIds[1], 32);
    addImage(solidTexture(0xFFFFFFFFu));
    core::SmartRef<Blur> blur(new Blur);
    setInputs(*blur, {{"Attributes/Texture", kImageId}, {"Blur/Downsample", kTargetIds[0]},
                      {"Blur/Horizontal", kTargetIds[1]}, {"Blur/Vertical", kTargetIds[1]}});
    clear({0, 0, 0, 255});
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_EQ(drawsOf([&] { blur->render(context); }), 0);
    expectNear(pixel(32, 32), {0, 0, 0, 255}, 0);
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_NE(log.messages().front().find("Blur/Horizontal"), std::string::npos) << log.messages().front();
}

// Separated into the intermediate target and recombined: without offsets the image comes back,
// black included (no colour left to separate).
TEST_F(ImageEffectTest, CmykDistortRoundTripsThroughItsTarget)
{
    RenderTargetResource* target = addTarget(kTargetIds[0], 64);
    struct Case {
        uint32_t image;
        Rgba expected;
    };
    Case const cases[] = {
        {0xFF4080C0u, {64, 128, 192, 255}},
        {0xFF000000u, {0, 0, 0, 255}},
        {0xFFFFFFFFu, {255, 255, 255, 255}},
        {0x80FF0000u, {255, 0, 0, 255}},
    };
    for (Case const& k : cases) {
        SCOPED_TRACE(k.image);
        addImage(solidTexture(k.image));
        auto node = placed<CMYKDistort>({{"Attributes/Render Target", kTargetIds[0]}, {"Attributes/Texture", kImageId},
            {"Distort/Cyan Offset", "0,0"}, {"Distort/Magenta Offset", "0,0"}, {"Distort/Yellow Offset", "0,0"},
            {"Distort/Black (K) Offset", "0,0"}, {"Distort/Cyan Rotation", "0"}});
        clear({0, 0, 0, 0});
        EXPECT_EQ(drawsOf([&] { node->render(context); }), 2);
        expectNear(pixel(32, 32), k.expected, 2);
        expectNear(pixel(32, 0), k.expected, 2);
        lookup.remove(kImageId);
    }
    ASSERT_NE(target->getRenderTarget(), nullptr);

    // The cyan ink moved right by a quarter over red | blue: cyan is read a quarter further on.
    addImage(halves(0xFFFF0000u, 0xFF0000FFu));
    auto moved = placed<CMYKDistort>({{"Attributes/Render Target", kTargetIds[0]}, {"Attributes/Texture", kImageId},
        {"Distort/Cyan Offset", "0.25,0"}, {"Distort/Magenta Offset", "0,0"}, {"Distort/Yellow Offset", "0,0"},
        {"Distort/Black (K) Offset", "0,0"}, {"Distort/Cyan Rotation", "0"}});
    clear({0, 0, 0, 0});
    moved->render(context);
    struct Moved {
        unsigned x;
        Rgba expected;
    };
    // u 0.1: all inks of red; u 0.3: blue's cyan over red's magenta and yellow, black; u 0.9: blue,
    // its cyan read past the edge (clamped).
    for (Moved const& k : {Moved{6, {255, 0, 0, 255}}, Moved{20, {0, 0, 0, 255}}, Moved{58, {0, 0, 255, 255}}}) {
        SCOPED_TRACE(k.x);
        expectNear(pixel(k.x, 32), k.expected, 2);
    }
}

// The frames the resource's timing gives, placed as fractions of the canvas on the node's quad.
TEST_F(ImageEffectTest, AnimatedTextureShowsTheFramesOfItsTime)
{
    auto* animation = new AnimatedTextureResource;
    animation->setPluginDesc(AnimatedTextureResource::_pluginDesc);
    struct Frame {
        uint32_t argb;
        int left, width, disposal;
    };
    for (Frame const& f : {Frame{0xFFFF0000u, 0, 16, 1}, Frame{0xFF0000FFu, 8, 8, 0}}) {
        auto* frame = new AnimatedTextureFrame;
        frame->texture = solidTexture(f.argb);
        frame->texture->addRef();
        frame->left = f.left;
        frame->width = f.width;
        frame->height = 16;
        frame->delay = 10.0f;
        frame->disposal = f.disposal;
        animation->addFrame(frame);
    }
    lookup.add(animation, kAnimationId);
    auto node = placed<AnimatedTextureEffect>({{"Attributes/Texture", kAnimationId}, {"Attributes/Blend Mode", "0"}});
    struct Case {
        float time;
        Rgba left, right;
        int draws;
    };
    Case const cases[] = {
        {0.05f, {255, 0, 0, 255}, {255, 0, 0, 255}, 1},
        // The first frame stays beneath; the second covers the canvas' right half.
        {0.15f, {255, 0, 0, 255}, {0, 0, 255, 255}, 2},
        {0.25f, {255, 0, 0, 255}, {255, 0, 0, 255}, 1},
    };
    for (Case const& k : cases) {
        SCOPED_TRACE(k.time);
        context.time = k.time;
        clear({0, 0, 0, 255});
        EXPECT_EQ(drawsOf([&] { node->render(context); }), k.draws);
        expectNear(pixel(16, 32), k.left, 1);
        expectNear(pixel(48, 32), k.right, 1);
    }
    // Without frames there is no canvas to place them on.
    auto* empty = new AnimatedTextureResource;
    empty->setPluginDesc(AnimatedTextureResource::_pluginDesc);
    lookup.remove(kAnimationId);
    lookup.add(empty, kAnimationId);
    EXPECT_EQ(drawsOf([&] { node->render(context); }), 0);
}

// Beside a white stripe the blurred image is lit and the downsampled one is not: horizontal passes
// alone are composed, not thrown away; without horizontal passes the downsample is composed.
TEST_F(ImageEffectTest, BlurComposesTheLastTargetWritten)
{
    for (int slot = 0; slot < 3; ++slot)
        addTarget(kTargetIds[slot], 32);
    std::vector<uint32_t> stripe(size_t(kSize) * kSize, 0xFF000000u);
    for (unsigned y = 0; y < kSize; ++y)
        for (unsigned x = 28; x < 36; ++x)
            stripe[size_t(y) * kSize + x] = 0xFFFFFFFFu;
    addImage(makeTexture(stripe, kSize, kSize));
    struct Case {
        char const* horizontal;
        char const* vertical;
        bool lit;
    };
    for (Case const& k : {Case{"2", "0", true}, Case{"1", "1", true}, Case{"0", "2", false}}) {
        SCOPED_TRACE(std::string(k.horizontal) + " " + k.vertical);
        core::SmartRef<Blur> blur(new Blur);
        setInputs(*blur, {{"Attributes/Texture", kImageId}, {"Blur/Downsample", kTargetIds[0]},
                          {"Blur/Horizontal", kTargetIds[1]}, {"Blur/Vertical", kTargetIds[2]},
                          {"Blur/Horizontal Iterations", k.horizontal}, {"Blur/Vertical Iterations", k.vertical}});
        clear({0, 0, 0, 255});
        blur->render(context);
        Rgba const beside = pixel(20, 32);
        if (k.lit)
            EXPECT_GT(beside.r, 10);
        else
            EXPECT_EQ(beside.r, 0);
        EXPECT_GT(pixel(32, 32).r, 50);
    }
}
