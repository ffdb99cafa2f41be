#include <tormakelin/fxcore/ParameterNodes.h>

#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/TextureEffect.h>

#include "PluginDescs.h"

#include <tormakelin/render/Texture.h>

#include <new>

namespace tormakelin::fxcore {

ShaderParameterNode::ShaderParameterNode(kavro::ShaderParameterType type)
    : m_parameter(kavro::createShaderParameter(type))
{
    // The inputs write straight into the parameter's value block.
    if (!m_parameter)
        throw std::bad_alloc();
    addInput("Attributes/Name", kParameterText, "", &m_name)->instanceable = false;
}

void ShaderParameterNode::eval(UpdateContext&)
{
    m_parameter->setName(m_name);
}

#define TORMAKELIN_VALUE_PARAMETER_NODE(Name, id, path, display, kind, paramType, defaultText, field, setter) \
    PluginDesc Name::_pluginDesc = libraryPluginDesc(kPluginGraphNode, id, path, display);                    \
    Name::Name() : ShaderParameterNode(kavro::ShaderParameterType_##kind)                                    \
    {                                                                                                        \
        addInput("Attributes/Value", paramType, defaultText, &value().field);                               \
        addOutput("Result", paramType, nullptr);                                                             \
        enableScript();                                                                                      \
    }                                                                                                        \
    Name::~Name() = default;                                                                                 \
    void Name::eval(UpdateContext& context)                                                                  \
    {                                                                                                        \
        ShaderParameterNode::eval(context);                                                                  \
        result()->value->setter(value().field);                                                              \
    }

TORMAKELIN_VALUE_PARAMETER_NODE(ParameterScalar, "BBA66D10-17FB-11DE-BF94-A17399492AB8", "Parameter/Scalar",
                                "Scalar Shader Parameter", Float, kParameterFloat, "0", floatValue, setFloat)
TORMAKELIN_VALUE_PARAMETER_NODE(ParameterInt, "B24238F0-17FE-11DE-BF94-A17399492AB8", "Parameter/Integer",
                                "Integer Shader Parameter", Int, kParameterInt, "0", intValue, setInt)
TORMAKELIN_VALUE_PARAMETER_NODE(ParameterVec2, "B5FF40F0-17FE-11DE-BF94-A17399492AB8", "Parameter/Vec2",
                                "Vec2 Shader Parameter", Vec2, kParameterVec2, "0,0", vec2, setVec2)
TORMAKELIN_VALUE_PARAMETER_NODE(ParameterVec3, "B9CD38E0-17FE-11DE-BF94-A17399492AB8", "Parameter/Vec3",
                                "Vec3 Shader Parameter", Vec3, kParameterVec3, "0,0,0", vec3, setVec3)
TORMAKELIN_VALUE_PARAMETER_NODE(ParameterVec4, "BD81B560-17FE-11DE-BF94-A17399492AB8", "Parameter/Vec4",
                                "Vec4 Shader Parameter", Vec4, kParameterVec4, "0,0,0,0", vec4, setVec4)

#undef TORMAKELIN_VALUE_PARAMETER_NODE

PluginDesc ParameterColor::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "C0DF8660-17FE-11DE-BF94-A17399492AB8",
        "Parameter/Color", "Color Shader Parameter");

ParameterColor::ParameterColor() : ShaderParameterNode(kavro::ShaderParameterType_Color)
{
    addInput("Attributes/Value", kParameterColor, "255,255,255,255", &m_color);
    addOutput("Result", kParameterColor, nullptr);
    enableScript();
}

ParameterColor::~ParameterColor() = default;

void ParameterColor::eval(UpdateContext& context)
{
    ShaderParameterNode::eval(context);
    value().color = m_color * 0.003921568859368563f;
    result()->value->setColor(m_color);
}

PluginDesc ParameterResource::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "C52657D0-17FE-11DE-BF94-A17399492AB8",
        "Parameter/Resource", "Resource Shader Parameter");

ParameterResource::ParameterResource() : ShaderParameterNode(kavro::ShaderParameterType_Texture)
{
    addInput("Attributes/Value", kParameterResource, "", nullptr);
    addOutput("Result", kParameterLink, nullptr);
    enableScript();
}

ParameterResource::~ParameterResource() = default;

void ParameterResource::eval(UpdateContext& context)
{
    ShaderParameterNode::eval(context);
    value().texture = nullptr;
    core::SmartRef<IResource> const first =
        firstResourceConnectedToInput("Attributes/Value", {}, context.instanceParameters);
    if (first)
        value().texture = TextureEffect::resourceTexture(first.get());
    // Written only when it changes: the id's text is made once, not every frame.
    core::UniqueId const id = first ? first->getInfo().id : core::UniqueId{};
    IParameter* out = result()->value;
    if (out->getType() != kParameterResource && out->getType() != kParameterText && out->getType() != kParameterLink) {
        out->setText(core::uniqueIdToString(id));
        return;
    }
    core::UniqueId shown{};
    if (!core::stringToUniqueId(out->getData().text, shown) || shown != id)
        out->setText(core::uniqueIdToString(id));
}

} // namespace tormakelin::fxcore
