#include <tormakelin/fxcore/SceneNodes.h>

#include "PluginDescs.h"

#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderView.h>

namespace tormakelin::fxcore {

namespace {

// False while there is no view or it has no height: the aspect is undefined then.
bool currentAspect(float& aspect)
{
    render::IRenderView* view = render::g_renderDevice ? render::g_renderDevice->getRenderView() : nullptr;
    if (!view || view->getViewport().Height == 0)
        return false;
    aspect = static_cast<float>(view->getViewport().Width) / static_cast<float>(view->getViewport().Height);
    return true;
}

} // namespace

PluginDesc ViewMatrix::_pluginDesc =
    libraryPluginDesc(kPluginGraphNode, "C0C906CA-1303-11DE-A0D4-DFE1E68F042A", "3D/View Matrix", "View Matrix Effect");

ViewMatrix::ViewMatrix()
{
    D3DXMatrixIdentity(&m_view);
    D3DXMatrixIdentity(&m_projection);
    addInput("Attributes/Field of View", kParameterFloat, "45", &m_fov);
    addInput("Clip/Near", kParameterFloat, "0.1", &m_near);
    addInput("Clip/Far", kParameterFloat, "1024", &m_far);
    addInput("Transform/Position", kParameterVec3, "0,0,-200", &m_position);
    addInput("Transform/Look At Position", kParameterVec3, "0,0,0", &m_lookAt);
    addInput("Transform/Roll", kParameterFloat, "0", &m_roll);
    addOutput("Result", kParameterLink, nullptr);
    enableScript();
}

void ViewMatrix::eval(UpdateContext&)
{
    D3DXVECTOR3 const up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&m_view, &m_position, &m_lookAt, &up);
    D3DXVECTOR3 const axis(0.0f, 0.0f, 1.0f);
    D3DXMATRIX roll;
    D3DXMatrixRotationAxis(&roll, &axis, D3DXToRadian(m_roll));
    m_view = m_view * roll;
    float aspect = 1.0f;
    if (currentAspect(aspect))
        D3DXMatrixPerspectiveFovLH(&m_projection, D3DXToRadian(m_fov) / aspect, aspect, m_near, m_far);
}

void ViewMatrix::getCameraMatrices(D3DXMATRIX& view, D3DXMATRIX& projection, D3DXVECTOR3& eye)
{
    view = m_view;
    projection = m_projection;
    eye = m_position;
}

} // namespace tormakelin::fxcore
