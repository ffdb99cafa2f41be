#pragma once

#include <tormakelin/fxcore/Export.h>

#include <tormakelin/core/BoundingVolume.h>

#include <d3dx9math.h>

#include <cstdint>

namespace tormakelin::render {
class IRenderView;
}

namespace tormakelin::fxcore {

enum TransformType : int {
    kTransformNone = 0,
    kTransform2d = 1,
    kTransform3d = 2,
};

// Bit flags: which placement handles a node exposes.
enum TransformHandle : int {
    kTransformHandlePosition = 1,
    kTransformHandleRotation = 2,
    kTransformHandleSize = 4,
    kTransformHandleAll = 7,
};

// Kept for the editor.
using TransformBoundingBoxType = int;

struct TORMAKELIN_FXCORE_API Viewport {
    Viewport() = default;
    // A copy of the view's viewport; the default one for no view.
    explicit Viewport(render::IRenderView* view);

    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    float minZ = 0.0f;
    float maxZ = 1.0f;
};

class TORMAKELIN_FXCORE_API Transform {
public:
    Transform();

    void update2d(Viewport const& viewport, D3DXVECTOR2 const* position, D3DXVECTOR2 const* size, float* rotation);
    void update3d(Viewport const& viewport, D3DXVECTOR3 const* position, D3DXVECTOR3 const* scale,
        D3DXQUATERNION const* rotation);
    void setCameraViewProjection(D3DXMATRIX const& view, D3DXMATRIX const& projection);

    D3DXMATRIX getViewMatrix() const;
    // Leaves `out` untouched for transforms that are not 2-D.
    void getProjectionMatrix(D3DXMATRIX& out) const;
    D3DXMATRIX getWorldMatrix(float x, float y, float z) const;
    D3DXMATRIX getTransformMatrix(float x, float y, float z) const;

    // The current document's authoring size; without one, 2-D placements are not scaled.
    using AuthorSizeQuery = bool (*)(uint32_t& width, uint32_t& height);
    static AuthorSizeQuery s_authorSizeQuery;

    TransformType type = kTransformNone;
    int handles = kTransformHandleAll;
    TransformBoundingBoxType boundingBoxType = 0;

    D3DXVECTOR2 position2d;
    D3DXVECTOR2 size2d;
    float rotation2d = 0.0f;
    bool anchorCenter = false;
    D3DXVECTOR2 anchorPoint;

    D3DXMATRIX cameraView;
    D3DXMATRIX cameraProjection;

    D3DXVECTOR3 position3d;
    D3DXVECTOR3 scale3d;
    D3DXQUATERNION rotation3d;

    core::AxisAlignedBoundingBox boundingBox;
    Viewport viewport;
};

} // namespace tormakelin::fxcore
