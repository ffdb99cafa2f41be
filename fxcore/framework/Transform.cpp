#include <tormakelin/fxcore/Transform.h>

#include <tormakelin/render/RenderView.h>

#include <cmath>
#include <limits>

namespace tormakelin::fxcore {

Transform::AuthorSizeQuery Transform::s_authorSizeQuery = nullptr;

namespace {

float const kDegreesToRadians = 0.017453292f;
float const kOrthoNear = 0.01f;
float const kOrthoFar = 1024.0f;

// Whole pixels toward zero, kept inside int.
float truncatePixel(double value)
{
    if (std::isnan(value))
        return 0.0f;
    double const limit = static_cast<double>(std::numeric_limits<int>::max());
    if (value > limit)
        value = limit;
    if (value < -limit)
        value = -limit;
    return static_cast<float>(static_cast<int>(value));
}

// A view axis of 0 pixels would divide by zero in the projection.
float extent(uint32_t pixels)
{
    return pixels == 0 ? 1.0f : static_cast<float>(pixels);
}

float axisScale(uint32_t view, uint32_t author)
{
    if (view == author || author == 0)
        return 1.0f;
    return static_cast<float>(view) / static_cast<float>(author);
}

D3DXMATRIX multiply(D3DXMATRIX const& a, D3DXMATRIX const& b)
{
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, &a, &b);
    return out;
}

D3DXMATRIX identity()
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

} // namespace

Viewport::Viewport(render::IRenderView* view)
{
    if (!view)
        return;
    D3DVIEWPORT9 const& source = view->getViewport();
    x = source.X;
    y = source.Y;
    width = source.Width;
    height = source.Height;
    minZ = source.MinZ;
    maxZ = source.MaxZ;
}

Transform::Transform()
    : position2d(0.0f, 0.0f), size2d(1.0f, 1.0f), anchorPoint(0.0f, 0.0f), cameraView(identity()),
      cameraProjection(identity()), position3d(0.0f, 0.0f, 0.0f), scale3d(1.0f, 1.0f, 1.0f),
      rotation3d(0.0f, 0.0f, 0.0f, 1.0f)
{
}

void Transform::update2d(Viewport const& view, D3DXVECTOR2 const* position, D3DXVECTOR2 const* size, float* rotation)
{
    viewport = view;
    if (position)
        position2d = *position;
    if (size)
        size2d = *size;
    if (rotation)
        rotation2d = *rotation;
}

void Transform::update3d(Viewport const& view, D3DXVECTOR3 const*, D3DXVECTOR3 const*, D3DXQUATERNION const*)
{
    viewport = view;
}

void Transform::setCameraViewProjection(D3DXMATRIX const& view, D3DXMATRIX const& projection)
{
    cameraView = view;
    cameraProjection = projection;
}

D3DXMATRIX Transform::getViewMatrix() const
{
    return identity();
}

void Transform::getProjectionMatrix(D3DXMATRIX& out) const
{
    if (type == kTransform2d)
        D3DXMatrixOrthoLH(&out, extent(viewport.width), extent(viewport.height), kOrthoNear, kOrthoFar);
}

D3DXMATRIX Transform::getWorldMatrix(float x, float y, float) const
{
    D3DXMATRIX world;
    if (type != kTransform2d) {
        D3DXVECTOR3 const origin(0.0f, 0.0f, 0.0f);
        D3DXQUATERNION const noRotation(0.0f, 0.0f, 0.0f, 1.0f);
        D3DXMatrixTransformation(&world, &origin, &noRotation, &scale3d, &origin, &rotation3d, &position3d);
        return world;
    }

    uint32_t authorWidth = viewport.width;
    uint32_t authorHeight = viewport.height;
    if (s_authorSizeQuery && !s_authorSizeQuery(authorWidth, authorHeight)) {
        authorWidth = viewport.width;
        authorHeight = viewport.height;
    }
    double const width = viewport.width;
    double const height = viewport.height;

    D3DXMATRIX scale, translation, rotation, pivot, unpivot;
    D3DXMatrixScaling(&scale, axisScale(viewport.width, authorWidth), -axisScale(viewport.height, authorHeight), 1.0f);
    D3DXMatrixTranslation(&translation, truncatePixel(x - width * 0.5), truncatePixel(height * 0.5 - y), 0.0f);
    D3DXMatrixRotationZ(&rotation, rotation2d * kDegreesToRadians);
    D3DXVECTOR2 const center = anchorCenter
        ? D3DXVECTOR2(position2d.x + size2d.x * 0.5f, position2d.y + size2d.y * 0.5f)
        : anchorPoint;
    D3DXMatrixTranslation(&pivot, center.x, center.y, 0.0f);
    D3DXMatrixTranslation(&unpivot, -center.x, -center.y, 0.0f);

    return multiply(multiply(multiply(multiply(unpivot, rotation), pivot), scale), translation);
}

D3DXMATRIX Transform::getTransformMatrix(float x, float y, float z) const
{
    D3DXMATRIX world = getWorldMatrix(x, y, z);
    if (type != kTransform2d)
        return world;
    D3DXMATRIX projection;
    D3DXMatrixOrthoLH(&projection, extent(viewport.width), extent(viewport.height), kOrthoNear, kOrthoFar);
    return multiply(world, projection);
}

} // namespace tormakelin::fxcore
