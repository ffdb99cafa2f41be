#pragma once
// Drawable geometry: declaration, vertex stream, index buffer and one fragment per draw call.

#include <cstdint>
#include <map>
#include <vector>

#include <d3d9.h>

#include <tormakelin/core/BoundingVolume.h>
#include <tormakelin/core/UniqueId.h>
#include <tormakelin/kavro/Export.h>
#include <tormakelin/kavro/Serializer.h>

namespace tormakelin::render {
class IIndexBuffer;
class IShader;
class IVertexDecl;
class IVertexStream;
}  // namespace tormakelin::render

namespace tormakelin::kavro {

class IMaterial;
struct RenderPass;

using FragmentMaterialMap = std::map<core::UniqueId, ObjectRef<IMaterial>, core::UniqueIdLess>;
using ShaderMap = std::map<core::UniqueId, render::IShader*, core::UniqueIdLess>;

enum DrawKind : uint32_t { DrawKind_NonIndexed = 0, DrawKind_Indexed = 1 };

struct DrawParams {
    uint32_t kind = DrawKind_NonIndexed;
    uint32_t primitiveType = 0;
    uint32_t primitiveCount = 0;
    uint32_t baseVertexIndex = 0;
    uint32_t minVertexIndex = 0;
    uint32_t vertexCount = 0;
    uint32_t startIndex = 0;
    uint32_t startVertex = 0;
};
static_assert(sizeof(DrawParams) == 32);

class TORMAKELIN_KAVRO_API IGeometryFragment {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual const core::UniqueId& getId() = 0;
    virtual void setId(const core::UniqueId& id) = 0;
    virtual DrawParams& getDrawParams() = 0;
    // Draws with the material and effect: one draw per effect pass.
    virtual void draw(RenderPass& pass, IMaterial* material, render::IShader* shader) = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~IGeometryFragment() = default;
};

class TORMAKELIN_KAVRO_API IGeometry {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual const core::UniqueId& getId() = 0;
    virtual void setId(const core::UniqueId& id) = 0;
    virtual void addFragment(IGeometryFragment* fragment) = 0;
    virtual const std::vector<IGeometryFragment*>& getFragments() = 0;
    virtual bool bind() = 0;
    virtual void unbind() = 0;
    virtual render::IVertexDecl* getVertexDecl() = 0;
    virtual void setVertexDecl(render::IVertexDecl* decl) = 0;
    virtual render::IVertexStream* getVertexStream() = 0;
    virtual void setVertexStream(render::IVertexStream* stream) = 0;
    virtual render::IIndexBuffer* getIndexBuffer() = 0;
    virtual void setIndexBuffer(render::IIndexBuffer* buffer) = 0;
    virtual void computeBoundingBox() = 0;
    virtual const core::AxisAlignedBoundingBox& getBoundingBox() = 0;
    virtual void setBoundingBox(const core::AxisAlignedBoundingBox& box) = 0;
    virtual void draw(RenderPass& pass, FragmentMaterialMap& materials, ShaderMap& shaders) = 0;
    // A new geometry (count 0) with copies of the buffers and the same fragments.
    virtual IGeometry* clone() = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~IGeometry() = default;
};

TORMAKELIN_KAVRO_API IGeometry* createGeometry();
TORMAKELIN_KAVRO_API IGeometryFragment* createGeometryFragment();

// The 48-byte vertex that bounding boxes and modifiers read: position, normal, tangent, binormal.
constexpr unsigned kModelVertexSize = 48;

}  // namespace tormakelin::kavro
