#include "TextureEffectSupport.h"

#include <tormakelin/fxcore/ParameterNodes.h>
#include <tormakelin/fxcore/Resource.h>

#include <tormakelin/core/SmartRef.h>

#include <gtest/gtest.h>

#include <string>

using namespace tormakelin;
using namespace tormakelin::fxcore;

namespace {

void update(GraphNode& node)
{
    texture_test::setInputs(node, {});
}

std::string joined(std::initializer_list<float> values)
{
    std::string out;
    for (float v : values)
        out += (out.empty() ? "" : ",") + std::to_string(v);
    return out;
}

} // namespace

TEST(ParameterNodes, ValuesReachTheShaderParameterAndResult)
{
    using Stored = std::string (*)(kavro::ShaderParameterValue const&);
    struct Case {
        ShaderParameterNode* (*make)();
        kavro::ShaderParameterType type;
        char const* text;
        Stored stored;
        char const* expected;
    };
    Case const cases[] = {
        {[]() -> ShaderParameterNode* { return new ParameterScalar; }, kavro::ShaderParameterType_Float, "2.5",
         [](auto const& v) { return joined({v.floatValue}); }, "2.500000"},
        {[]() -> ShaderParameterNode* { return new ParameterInt; }, kavro::ShaderParameterType_Int, "-7",
         [](auto const& v) { return std::to_string(v.intValue); }, "-7"},
        {[]() -> ShaderParameterNode* { return new ParameterVec2; }, kavro::ShaderParameterType_Vec2, "1,-2",
         [](auto const& v) { return joined({v.vec2.x, v.vec2.y}); }, "1.000000,-2.000000"},
        {[]() -> ShaderParameterNode* { return new ParameterVec3; }, kavro::ShaderParameterType_Vec3, "1,2,3",
         [](auto const& v) { return joined({v.vec3.x, v.vec3.y, v.vec3.z}); }, "1.000000,2.000000,3.000000"},
        {[]() -> ShaderParameterNode* { return new ParameterVec4; }, kavro::ShaderParameterType_Vec4, "1,2,3,4",
         [](auto const& v) { return joined({v.vec4.x, v.vec4.y, v.vec4.z, v.vec4.w}); },
         "1.000000,2.000000,3.000000,4.000000"},
    };
    for (Case const& k : cases) {
        SCOPED_TRACE(k.text);
        core::SmartRef<ShaderParameterNode> node(k.make());
        kavro::IShaderParameter* parameter = node->getShaderParameter();
        ASSERT_NE(parameter, nullptr);
        EXPECT_EQ(parameter->getType(), k.type);
        EXPECT_FALSE(node->findInput("Attributes/Name")->instanceable);
        node->findInput("Attributes/Name")->value->setText("amount");
        node->findInput("Attributes/Value")->value->setText(k.text);
        update(*node);
        EXPECT_EQ(parameter->getName(), "amount");
        EXPECT_EQ(k.stored(parameter->getValue()), k.expected);
        // "Result" carries the same value to linked nodes.
        EXPECT_EQ(node->findOutput("Result")->value->getText(), node->findInput("Attributes/Value")->value->getText());
    }
}

TEST(ParameterNodes, ColorIsScaledForTheEffectAndKeptInBytesOnResult)
{
    core::SmartRef<ParameterColor> node(new ParameterColor);
    update(*node);
    D3DXVECTOR4 const& color = node->getShaderParameter()->getValue().color;
    EXPECT_FLOAT_EQ(color.x, 1.0f);
    EXPECT_FLOAT_EQ(color.w, 1.0f);
    EXPECT_EQ(node->findOutput("Result")->value->getColor(), D3DXVECTOR4(255, 255, 255, 255));

    node->findInput("Attributes/Value")->value->setText("51,102,0,255");
    update(*node);
    EXPECT_FLOAT_EQ(color.x, 0.2f);
    EXPECT_FLOAT_EQ(color.y, 0.4f);
    EXPECT_FLOAT_EQ(color.z, 0.0f);
}

TEST(ParameterNodes, NamesFollowRenamesAtTheNextUpdate)
{
    core::SmartRef<ParameterScalar> node(new ParameterScalar);
    node->findInput("Attributes/Name")->value->setText("first");
    update(*node);
    node->findInput("Attributes/Name")->value->setText("second");
    EXPECT_EQ(node->getShaderParameter()->getName(), "first");
    update(*node);
    EXPECT_EQ(node->getShaderParameter()->getName(), "second");
}

TEST(ParameterNodes, ResourceNamesWhatIsConnectedAndBindsOnlyTextures)
{
    core::SmartRef<ParameterResource> node(new ParameterResource);
    update(*node);
    EXPECT_EQ(node->getShaderParameter()->getValue().texture, nullptr);
    EXPECT_EQ(node->findOutput("Result")->value->getText(), core::uniqueIdToString(core::UniqueId{}));

    // A resource of a kind that holds no texture.
    texture_test::ResourceLookup lookup;
    auto* other = new Resource;
    PluginDesc desc;
    desc.type = kPluginResource;
    desc.id = core::stringToUniqueId("AAAAAAAA-1111-2222-3333-444444444444");
    other->setPluginDesc(desc);
    std::string const id = lookup.add(other, "00000000-1111-2222-3333-444444444444");
    node->findInput("Attributes/Value")->value->setText(id);
    update(*node);
    EXPECT_EQ(node->getShaderParameter()->getValue().texture, nullptr);
    EXPECT_EQ(node->findOutput("Result")->value->getText(), id);
}
