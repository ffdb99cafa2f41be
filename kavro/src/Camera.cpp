#include <tormakelin/kavro/Camera.h>

#include <tormakelin/render/RenderDevice.h>

namespace tormakelin::kavro {

namespace {
constexpr uint32_t kVersion = 1001;

D3DXVECTOR3 translationOf(const D3DXMATRIX& m) { return D3DXVECTOR3(m._41, m._42, m._43); }

float viewportAspect(float fallback)
{
    render::IRenderDevice* device = render::g_renderDevice;
    IDirect3DDevice9* d3d = device ? device->getD3DDevice() : nullptr;
    D3DVIEWPORT9 viewport{};
    if (d3d == nullptr || FAILED(d3d->GetViewport(&viewport)) || viewport.Height == 0) {
        return fallback;
    }
    return float(viewport.Width) / float(viewport.Height);
}
}  // namespace

void Camera::computeView(const UpdateContext& context)
{
    const D3DXQUATERNION& rotation = m_transformation.transform.rotation.value;
    D3DXMATRIX rollMatrix;
    D3DXMatrixRotationZ(&rollMatrix, -roll.value);
    if (m_target.object) {
        // Both ends are world positions, so the look-at is already the whole view.
        const D3DXVECTOR3 eye = translationOf(m_worldMatrix);
        const D3DXVECTOR3 at = translationOf(m_target.object->getWorldMatrix());
        D3DXMATRIX lookAt;
        D3DXMatrixLookAtLH(&lookAt, &eye, &at, &m_up);
        const D3DXQUATERNION twist(0, 0, rotation.z, rotation.w);
        D3DXMATRIX twistMatrix;
        D3DXMatrixRotationQuaternion(&twistMatrix, &twist);
        D3DXMatrixInverse(&twistMatrix, nullptr, &twistMatrix);
        m_view = lookAt * twistMatrix * rollMatrix;
        return;
    }
    // The camera's place within its parent; the parent matrix then carries it into the world once.
    const D3DXMATRIX local = m_transformation.objectOffset.getMatrix() * m_transformation.transform.getMatrix();
    D3DXMATRIX rotate;
    D3DXMATRIX translate;
    D3DXMatrixRotationQuaternion(&rotate, &rotation);
    D3DXMatrixTranslation(&translate, local._41, local._42, local._43);
    m_view = rotate * translate * rollMatrix * context.parentMatrix;
    D3DXMatrixInverse(&m_view, nullptr, &m_view);
}

void Camera::update(UpdateContext& context)
{
    if (context.phase == UpdatePhase_Evaluate) {
        roll.update(context.time);
        fov.update(context.time);
        aspectRatio.update(context.time);
        nearPlane.update(context.time);
        farPlane.update(context.time);
    }
    Node::update(context);
    if (context.phase != UpdatePhase_Apply) {
        return;
    }
    // The automatic ratio is not written back, so a saved camera keeps its stored value.
    m_aspect = m_autoAspect ? viewportAspect(aspectRatio.value) : aspectRatio.value;
    computeView(context);
    const float aspect = m_aspect != 0 ? m_aspect : 1.0f;
    D3DXMatrixPerspectiveFovLH(&m_projection, fov.value / aspect, aspect, nearPlane.value, farPlane.value);
}

bool Camera::serialize(Serializer* serializer)
{
    uint32_t version = kVersion;
    return Node::serialize(serializer) && io::value(serializer, version) && io::value(serializer, m_autoAspect) &&
           io::bytes(serializer, &m_up, sizeof m_up) && roll.serialize(serializer) && fov.serialize(serializer) &&
           aspectRatio.serialize(serializer) && nearPlane.serialize(serializer) && farPlane.serialize(serializer);
}

void Light::update(UpdateContext& context)
{
    if (context.phase == UpdatePhase_Evaluate) {
        colour.update(context.time);
        radius.update(context.time);
        innerCone.update(context.time);
        outerCone.update(context.time);
    }
    Node::update(context);
    if (context.phase != UpdatePhase_Matrices) {
        return;
    }
    D3DXVECTOR3 axis(m_worldMatrix._31, m_worldMatrix._32, m_worldMatrix._33);
    D3DXVec3Normalize(&axis, &axis);
    m_worldLight.type = m_lightType;
    // Where the light is in the world, not relative to its parent.
    m_worldLight.position = translationOf(m_nodeWorldMatrix);
    m_worldLight.direction = axis;
    m_worldLight.colour = colour.value;
    m_worldLight.radius = radius.value;
    m_worldLight.innerCone = innerCone.value;
    m_worldLight.outerCone = outerCone.value;
}

bool Light::serialize(Serializer* serializer)
{
    uint32_t version = kVersion;
    return Node::serialize(serializer) && io::value(serializer, version) && io::value(serializer, m_lightType) &&
           colour.serialize(serializer) && radius.serialize(serializer) && innerCone.serialize(serializer) &&
           outerCone.serialize(serializer);
}

}  // namespace tormakelin::kavro
