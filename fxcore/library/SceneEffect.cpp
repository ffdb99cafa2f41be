#include <tormakelin/fxcore/SceneNodes.h>

#include <tormakelin/fxcore/Resources.h>

#include "PluginDescs.h"

#include <tormakelin/kavro/SceneGraph.h>

namespace tormakelin::fxcore {

PluginDesc SceneEffect::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "12C3E60D-0D69-11DE-8C94-B8CD3BAF4A2A", "3D/Scene Graph", "Scene Effect");

SceneEffect::SceneEffect()
{
    m_sceneInput = addInput("Attributes/Scene", kParameterResource, "0", nullptr);
    enableTransform(kTransform3d, kTransformHandleAll, 0);
    addOutput("Result", kParameterLink, nullptr);
    enableScript();
}

SceneEffect::~SceneEffect() = default;

void SceneEffect::eval(UpdateContext& context)
{
    static std::vector<core::UniqueId> const kinds = {SceneResource::_pluginDesc.id};
    kavro::ISceneGraph* scene = nullptr;
    if (auto* resource = dynamic_cast<SceneResource*>(firstResourceOnInput(*m_sceneInput, kinds, context.instanceParameters)))
        scene = resource->getScene();
    if (scene != m_scene.get())
        m_scene = scene;
}

void SceneEffect::updateBoundingBox()
{
    getTransform().boundingBox = m_scene ? m_scene->getBoundingBox() : core::AxisAlignedBoundingBox();
}

PluginDesc CameraEffect::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "36E3651D-0D8A-11DE-B171-FEFCC7395B7D", "3D/Camera", "Camera Effect");

CameraEffect::CameraEffect()
{
    enableTransform(kTransform3d, kTransformHandlePosition, 0);
    addInput("Transform/Look At Position", kParameterVec3, "0,0,0", &m_lookAt);
    addInput("Transform/Roll", kParameterFloat, "0", &m_roll);
    addOutput("Position", kParameterVec3, &m_positionOut);
    addOutput("Look At Position", kParameterVec3, &m_lookAtOut);
    addOutput("Roll", kParameterFloat, &m_rollOut);
    enableScript();
}

void CameraEffect::eval(UpdateContext&)
{
    m_positionOut = getTransform().position3d;
    m_lookAtOut = m_lookAt;
    m_rollOut = m_roll;
}

PluginDesc LightEffect::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "584A8330-0D8A-11DE-B171-FEFCC7395B7D", "3D/Light", "Light Effect");

LightEffect::LightEffect()
{
    NodeParameter* type = addInput("Attributes/Type", kParameterOption, "0", &m_type);
    type->value->addOption("Point", kavro::LightType_Point);
    type->value->addOption("Directional", kavro::LightType_Directional);
    type->value->addOption("Spot", kavro::LightType_Spot);
    addInput("Attributes/Color", kParameterColor, "255,255,255,255", &m_color);
    addInput("Attributes/Range", kParameterFloat, "256", &m_range);
    addInput("Attributes/Inner Cone Angle", kParameterFloat, "45", &m_innerCone);
    addInput("Attributes/Outer Cone Angle", kParameterFloat, "90", &m_outerCone);
    addInput("Attributes/Intensity", kParameterFloat, "1", &m_intensity);
    enableTransform(kTransform3d, kTransformHandlePosition | kTransformHandleRotation, 1);
    addOutput("Direction", kParameterVec3, &m_direction);
    addOutput("Position", kParameterVec3, &m_position);
    addOutput("Result", kParameterLink, nullptr);
    enableScript();
}

void LightEffect::eval(UpdateContext&)
{
    Transform const& transform = getTransform();
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &transform.rotation3d);
    D3DXVECTOR3 const row(rotation._31, rotation._32, rotation._33);
    D3DXVec3Normalize(&m_direction, &row);
    m_position = transform.position3d;
    m_light.type = static_cast<uint32_t>(m_type);
    m_light.position = m_position;
    m_light.direction = m_direction;
    m_light.colour = m_color / 255.0f * m_intensity;
    m_light.radius = m_range;
    m_light.innerCone = D3DXToRadian(m_innerCone);
    m_light.outerCone = D3DXToRadian(m_outerCone);
}

} // namespace tormakelin::fxcore
