#pragma once
// Immediate-mode helper geometry and text in one colour, and screen-space lines.

#include <map>
#include <string>

#include <d3d9.h>
#include <d3dx9math.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::core {
class AxisAlignedBoundingBox;
}

namespace tormakelin::render {

// Primitive types of beginPrimitive; values above 8 draw nothing.
enum DebugPrimitive : int {
    DebugPrimitive_TriangleList = 0,
    DebugPrimitive_TriangleFan = 1,
    DebugPrimitive_TriangleStrip = 2,
    DebugPrimitive_TriangleStripAlias = 3, // drawn as DebugPrimitive_TriangleStrip
    DebugPrimitive_Quads = 4,              // each group of four vertices
    DebugPrimitive_LineStrip = 5,
    DebugPrimitive_LineList = 6,
    DebugPrimitive_LineLoop = 7,
    DebugPrimitive_TriangleFanAlias = 8, // drawn as DebugPrimitive_TriangleFan
};

// The type argument of the shapes.
enum DebugShapeType : int {
    DebugShape_Filled = 0,
    DebugShape_Wire = 1, // outline with diagonals, spokes and inner rings
    DebugShape_Outline = 2,
};

// How shape vertices get their normals.
enum DebugNormalMode : int {
    DebugNormalMode_Current = 0, // the normal given by setNormal
    DebugNormalMode_Outward = 1,
    DebugNormalMode_Inward = 2,
};

class TORMAKELIN_RENDER_API IDebugRender {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual void drawText(int x, int y, const D3DXVECTOR4& colour, const std::string& text) = 0;
    virtual void begin(const D3DXMATRIX& worldViewProjection, const std::map<D3DRENDERSTATETYPE, DWORD>& states) = 0;
    virtual void end() = 0;
    virtual void beginPrimitive(int type) = 0;
    virtual void addVertex(const D3DXVECTOR3& position) = 0;
    virtual void addVertex(float x, float y, float z) = 0;
    virtual void endPrimitive() = 0;
    // A DebugNormalMode.
    virtual void setMode(int mode) = 0;
    virtual void setNormal(const D3DXVECTOR3& normal) = 0;
    virtual void setNormal(float x, float y, float z) = 0;
    virtual void setColor(const D3DXVECTOR4& colour) = 0;
    virtual void line(const D3DXVECTOR3& a, const D3DXVECTOR3& b) = 0;
    virtual void box(const core::AxisAlignedBoundingBox& box, int type) = 0;
    virtual void quad(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c, const D3DXVECTOR3& d,
        int type) = 0;
    virtual void triangle(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c, int type) = 0;
    // Circles and arcs lie in the x-z plane around the origin.
    virtual void circle(float innerRadius, float outerRadius, int segments, int rings, int type) = 0;
    virtual void arc(float innerRadius, float outerRadius, int segments, int rings, float startDegrees,
        float sweepDegrees, int type) = 0;
    virtual void sphere(float radius, int slices, int stacks, int type) = 0;
    // Along y from 0 (bottomRadius) to height (topRadius).
    virtual void cylinder(float bottomRadius, float topRadius, float height, int segments, int rings, int type) = 0;
    virtual ~IDebugRender() = default;
};

// Null when the font, the declaration or the effect cannot be made.
TORMAKELIN_RENDER_API IDebugRender* createDebugRender();

// A colour with channels clamped to 0..1 as A8R8G8B8.
TORMAKELIN_RENDER_API D3DCOLOR packColour(const D3DXVECTOR4& colour);

} // namespace tormakelin::render
