#include <tormakelin/fxcore/GraphNode.h>
#include <tormakelin/fxcore/Nodes.h>

#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderView.h>

#include "ConnectedNodes.h"

namespace tormakelin::fxcore {

namespace {

constexpr float kRadiansPerDegree = 0.017453292f;

float currentViewAspect()
{
    render::IRenderView* view = render::g_renderDevice ? render::g_renderDevice->getRenderView() : nullptr;
    if (!view || view->getViewport().Height == 0)
        return 1.0f;
    return static_cast<float>(view->getViewport().Width) / static_cast<float>(view->getViewport().Height);
}

} // namespace

void GraphNode::enableTransform(TransformType type, int handles, TransformBoundingBoxType boxType)
{
    m_transform.type = type;
    m_transform.handles = handles;
    m_transform.boundingBoxType = boxType;
    bool const position = (handles & kTransformHandlePosition) != 0;
    bool const rotation = (handles & kTransformHandleRotation) != 0;
    bool const size = (handles & kTransformHandleSize) != 0;
    if (type == kTransform2d) {
        addInput("Transform/Position", kParameterVec2, "0,0", &m_transform.position2d)->visible = position;
        addInput("Transform/Size", kParameterVec2, "256,256", &m_transform.size2d)->visible = size;
        addInput("Transform/Rotation", kParameterFloat, "0", &m_transform.rotation2d)->visible = rotation;
        addInput("Transform/Anchor Center", kParameterBool, "1", &m_transform.anchorCenter)->visible = rotation;
        addInput("Transform/Anchor Point", kParameterVec2, "0,0", &m_transform.anchorPoint)->visible = rotation;
        return;
    }
    static_assert(sizeof(D3DXQUATERNION) == sizeof(D3DXVECTOR4));
    addInput("Transform/Position", kParameterVec3, "0,0,0", &m_transform.position3d)->visible = position;
    NodeParameter* turn = addInput("Transform/Rotation", kParameterVec4, "0,0,0,1", &m_transform.rotation3d);
    turn->visible = rotation;
    turn->value->setEditorType(kEditorRotation);
    addInput("Transform/Scale", kParameterVec3, "1,1,1", &m_transform.scale3d)->visible = size;
}

Transform& GraphNode::getTransform() { return m_transform; }

bool GraphNode::getGuide(Guide& guide)
{
    if (m_transform.type == kTransform2d) {
        guide.left = static_cast<int>(m_transform.position2d.x);
        guide.top = static_cast<int>(m_transform.position2d.y);
        guide.right = static_cast<int>(m_transform.position2d.x + m_transform.size2d.x);
        guide.bottom = static_cast<int>(m_transform.position2d.y + m_transform.size2d.y);
        guide.scale = 1.0f;
        guide.transform = m_transform;
        return true;
    }
    if (m_transform.type == kTransform3d) {
        guide.transform = m_transform;
        return true;
    }
    return false;
}

D3DXMATRIX GraphNode::getTransformMatrix() const
{
    D3DXMATRIX out;
    D3DXMatrixTransformation(&out, nullptr, nullptr, &m_transform.scale3d, nullptr, &m_transform.rotation3d,
        &m_transform.position3d);
    return out;
}

void GraphNode::enableCamera()
{
    m_cameraEnabled = true;
    if (!findInput("Camera/View"))
        addInput("Camera/View", kParameterLink, "", nullptr);
}

bool GraphNode::isCameraEnabled() const { return m_cameraEnabled; }

void GraphNode::getCamera(D3DXMATRIX& view, D3DXMATRIX& projection, D3DXVECTOR3& eye)
{
    if (m_cameraEnabled) {
        ICameraSource* camera = nullptr;
        detail::forEachConnectedNode(findInputNamed("Camera/View"), [&](IGraphNode* node) {
            bool const viewNode = pluginIdOf(node) == viewMatrixNodeId() || node->getId() == viewMatrixNodeId();
            camera = viewNode ? dynamic_cast<ICameraSource*>(node) : nullptr;
            return camera == nullptr;
        });
        if (camera) {
            camera->getCameraMatrices(view, projection, eye);
            return;
        }
    }
    eye = D3DXVECTOR3(0.0f, 20.0f, -100.0f);
    D3DXVECTOR3 const at(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 const up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    float const aspect = currentViewAspect();
    D3DXMatrixPerspectiveFovLH(&projection, 45.0f / aspect * kRadiansPerDegree, aspect, 1.0f, 4096.0f);
}

void GraphNode::setCameraViewProjection(D3DXMATRIX const& view, D3DXMATRIX const& projection)
{
    m_transform.setCameraViewProjection(view, projection);
}

} // namespace tormakelin::fxcore
