#include <tormakelin/fxcore/TextureEffect.h>

#include <tormakelin/fxcore/ParameterNodes.h>
#include <tormakelin/fxcore/RenderTargetResource.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/Resources.h>
#include <tormakelin/fxcore/ShaderEffect.h>

#include <tormakelin/render/Shader.h>

namespace tormakelin::fxcore {

namespace {

bool matches(D3DXPARAMETER_DESC const& desc, D3DXPARAMETER_CLASS parameterClass, D3DXPARAMETER_TYPE type,
             unsigned columns = 0)
{
    return desc.Class == parameterClass && desc.Type == type && (columns == 0 || desc.Columns == columns);
}

// Sets one effect parameter from a linked parameter node when their kinds agree.
void bindParameterNode(render::IShader* shader, render::IShaderParameter* parameter, IGraphNode* node)
{
    auto* source = dynamic_cast<ShaderParameterNode*>(node);
    if (!source)
        return;
    D3DXPARAMETER_DESC const& desc = parameter->getDesc();
    kavro::ShaderParameterValue& value = source->getShaderParameter()->getValue();
    core::UniqueId const id = pluginIdOf(node);
    if (id == ParameterResource::_pluginDesc.id) {
        if (matches(desc, D3DXPC_OBJECT, D3DXPT_TEXTURE) && value.texture)
            shader->setTexture(parameter, value.texture.get());
    } else if (id == ParameterScalar::_pluginDesc.id) {
        if (matches(desc, D3DXPC_SCALAR, D3DXPT_FLOAT))
            shader->setFloat(parameter, value.floatValue);
    } else if (id == ParameterInt::_pluginDesc.id) {
        if (matches(desc, D3DXPC_SCALAR, D3DXPT_INT))
            shader->setInt(parameter, value.intValue);
    } else if (id == ParameterVec2::_pluginDesc.id) {
        if (matches(desc, D3DXPC_VECTOR, D3DXPT_FLOAT, 2))
            shader->setVector2(parameter, &value.vec2);
    } else if (id == ParameterVec3::_pluginDesc.id) {
        if (matches(desc, D3DXPC_VECTOR, D3DXPT_FLOAT, 3))
            shader->setVector3(parameter, &value.vec3);
    } else if (id == ParameterVec4::_pluginDesc.id) {
        if (matches(desc, D3DXPC_VECTOR, D3DXPT_FLOAT, 4))
            shader->setVector4(parameter, &value.vec4);
    } else if (id == ParameterColor::_pluginDesc.id) {
        if (matches(desc, D3DXPC_VECTOR, D3DXPT_FLOAT, 4))
            shader->setFloat4(parameter, value.color);
    }
}

} // namespace

std::vector<core::UniqueId> const& TextureEffect::textureKinds()
{
    static std::vector<core::UniqueId> const kinds = {
        TextureResource::_pluginDesc.id, RenderTargetResource::_pluginDesc.id};
    return kinds;
}

std::string const& TextureEffect::textureInputName()
{
    static std::string const name = "Attributes/Texture";
    return name;
}

bool TextureEffect::fetchTexture(GraphNode& node, std::string const& input, RenderContext const& context,
                                 render::ITexture*& texture)
{
    texture = nullptr;
    core::SmartRef<IResource> const resource =
        node.firstResourceConnectedToInput(input, textureKinds(), context.instanceParameters);
    if (!resource)
        return false;
    texture = resourceTexture(resource.get());
    return true;
}

render::ITexture* TextureEffect::resourceTexture(IResource* resource)
{
    if (auto* texture = dynamic_cast<TextureResource*>(resource))
        return texture->getTexture();
    // A target is read as the texture it renders into.
    if (auto* target = dynamic_cast<RenderTargetResource*>(resource))
        return target->getTexture();
    return nullptr;
}

render::IShader* TextureEffect::linkedUserShader()
{
    static std::string const input = "Shader/Shader";
    auto const* shaderNode = dynamic_cast<ShaderEffect const*>(firstNodeConnectedToInput(input));
    return shaderNode ? shaderNode->getShader() : nullptr;
}

void TextureEffect::bindUserParameters(render::IShader* shader)
{
    static std::string const matrixName = "worldViewProjection";
    static std::string const colorName = "color";
    static std::string const inverseName = "invViewportSize";
    static std::string const sizeName = "viewportSize";
    static std::string const parametersInput = "Shader/Parameters";
    if (render::IShaderParameter* parameter = shader->getParameter(matrixName)) {
        D3DXMATRIX const matrix = placedMatrix(*this);
        shader->setMatrix(parameter, &matrix);
    }
    if (render::IShaderParameter* parameter = shader->getParameter(colorName)) {
        D3DXVECTOR4 const color = m_color / 255.0f;
        shader->setFloat4(parameter, color);
    }
    if (render::IShaderParameter* parameter = shader->getParameter(inverseName)) {
        D3DXVECTOR2 const inverse = invViewportSize();
        shader->setVector2(parameter, &inverse);
    }
    if (render::IShaderParameter* parameter = shader->getParameter(sizeName)) {
        D3DXVECTOR2 const size = viewportSize();
        shader->setVector2(parameter, &size);
    }
    collectNodesConnectedToInput(parametersInput, {}, m_connected);
    for (auto const& node : m_connected) {
        NodeParameter const* name = node->findInput("Attributes/Name");
        if (!name)
            continue;
        if (render::IShaderParameter* parameter = shader->getParameter(name->value->getData().text))
            bindParameterNode(shader, parameter, node.get());
    }
}

} // namespace tormakelin::fxcore
