#include <tormakelin/fxcore/SceneNodes.h>

#include <tormakelin/fxcore/RenderTargetResource.h>
#include <tormakelin/fxcore/Resources.h>
#include <tormakelin/fxcore/TextureEffect.h>

#include "PluginDescs.h"
#include "SceneShader.h"
#include "SharedEffect.h"

#include <tormakelin/kavro/Flare.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/Shader.h>

#include <new>

namespace tormakelin::fxcore {

namespace {

std::string const kShaderInput = "Attributes/Shader";

D3DXMATRIX identity()
{
    D3DXMATRIX matrix;
    D3DXMatrixIdentity(&matrix);
    return matrix;
}

} // namespace

FlareNodeBase::FlareNodeBase()
    : m_graph(kavro::createSceneGraph()), m_material(kavro::createMaterial()), m_texture(kavro::createTexture()),
      m_sampler(kavro::createTextureSampler())
{
    if (!m_graph || !m_material || !m_texture || !m_sampler)
        throw std::bad_alloc();
    core::SmartRef<render::IShader> const own = render::createShader();
    if (compileSharedEffect(own.get(), kavro::getFlareEffectText(), "FlareEffect"))
        m_ownShader = own;
    m_material->setBlendMode(0);
    m_material->setTwoSided(true);
    m_sampler->setName("flare");
    m_sampler->getTexture().set(m_texture.get());
    m_material->addTextureSampler(m_sampler.get());
    m_material->setShader(m_ownShader.get());
    // In the graph's lists the renderer refreshes the material every frame.
    m_graph->addMaterial(m_material.get());
    m_graph->addTexture(m_texture.get());
}

FlareNodeBase::~FlareNodeBase() = default;

void FlareNodeBase::applyMaterial()
{
    render::IShader* user = detail::linkedShader(*this, kShaderInput);
    detail::checkSceneTechniques(*this, user, m_reportedShader);
    render::IShader* shader = user ? user : m_ownShader.get();
    if (m_material->getShader() != shader)
        m_material->setShader(shader);
    m_material->setBlendMode(m_blendMode);
}

PluginDesc FlareEffect::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "37F346FC-E030-11DE-978F-9A68AA91A0F7", "3D/Flare", "Flare Effect");

FlareEffect::FlareEffect()
{
    core::SmartRef<kavro::Flare> const flare(new kavro::Flare());
    m_flare = flare.get();
    m_flare->setMaterial(m_material.get());
    m_flare->setShader(m_ownShader.get());
    m_graph->addNode(m_flare);

    m_textureInput = addInput("Attributes/Texture", kParameterResource, "0", nullptr);
    TextureEffect::addBlendModeOptions(addInput("Attributes/Blend Mode", kParameterOption, "1", &m_blendMode));
    addInput("Attributes/Color", kParameterColor, "255,255,255,255", &m_color);
    addInput("Attributes/Size", kParameterFloat, "5.0f", &m_size);
    addInput(kShaderInput, kParameterLink, "", nullptr);
    enableTransform(kTransform3d, kTransformHandleAll, 2);
    addOutput("Result", kParameterLink, nullptr);
    enableScript();
}

void FlareEffect::eval(UpdateContext& context)
{
    Transform const& transform = getTransform();
    kavro::Transformation& place = m_flare->getTransformation().transform;
    place.position.value = transform.position3d;
    place.scale.value = transform.scale3d;
    // The inputs hold 0..255; the flare draws with 0..1.
    m_flare->colour = m_color / 255.0f;
    m_flare->size = m_size;

    applyMaterial();
    if (m_flare->getShader() != m_material->getShader())
        m_flare->setShader(m_material->getShader());

    render::ITexture* texture = TextureEffect::resourceTexture(
        firstResourceOnInput(*m_textureInput, TextureEffect::textureKinds(), context.instanceParameters));
    if (m_texture->getTexture() != texture)
        m_texture->setTexture(texture);
}

D3DXMATRIX FlareEffect::getSceneWorldMatrix() const
{
    return identity();
}

PluginDesc LensFlareEffect::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "5A6F76ED-E30D-11DE-940C-D48F9C71F939", "3D/Lens Flare", "Lens Flare Effect");

LensFlareEffect::LensFlareEffect()
{
    core::SmartRef<kavro::LensFlare> const lens(new kavro::LensFlare());
    m_lensFlare = lens.get();
    m_lensFlare->setMaterial(m_material.get());
    m_lensFlare->setShader(m_ownShader.get());
    m_graph->addNode(m_lensFlare);

    TextureEffect::addBlendModeOptions(addInput("Attributes/Blend Mode", kParameterOption, "1", &m_blendMode));
    addInput(kShaderInput, kParameterLink, "", nullptr);
    addOutput("Result", kParameterLink, nullptr);
    enableScript();
}

void LensFlareEffect::eval(UpdateContext&)
{
    applyMaterial();
    if (m_lensFlare->getShader() != m_material->getShader())
        m_lensFlare->setShader(m_material->getShader());
}

D3DXMATRIX LensFlareEffect::getSceneWorldMatrix() const
{
    return getTransformMatrix();
}

} // namespace tormakelin::fxcore
