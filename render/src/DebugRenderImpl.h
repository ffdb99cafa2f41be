#pragma once
// The debug renderer's state; its primitives live in DebugRender.cpp, its shapes in DebugShapes.cpp.

#include <vector>

#include <d3dx9core.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/DebugRender.h>
#include <tormakelin/render/RenderListener.h>
#include <tormakelin/render/Shader.h>
#include <tormakelin/render/VertexDecl.h>

namespace tormakelin::render {

struct DebugVertex {
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR colour;
};
static_assert(sizeof(DebugVertex) == 28);

struct ArcShape;
struct CylinderShape;

class DebugRender final : public core::RefCounted<IDebugRender>, public RenderListener {
public:
    DebugRender() : RenderListener(true) {}
    ~DebugRender() override;

    bool init();

    void drawText(int x, int y, const D3DXVECTOR4& colour, const std::string& text) override;
    void begin(const D3DXMATRIX& worldViewProjection, const std::map<D3DRENDERSTATETYPE, DWORD>& states) override;
    void end() override;
    void beginPrimitive(int type) override;
    void addVertex(const D3DXVECTOR3& position) override;
    void addVertex(float x, float y, float z) override { addVertex(D3DXVECTOR3(x, y, z)); }
    void endPrimitive() override;
    void setMode(int mode) override { m_mode = mode; }
    void setNormal(const D3DXVECTOR3& normal) override { m_normal = normal; }
    void setNormal(float x, float y, float z) override { m_normal = D3DXVECTOR3(x, y, z); }
    void setColor(const D3DXVECTOR4& colour) override { m_colour = colour; }
    void line(const D3DXVECTOR3& a, const D3DXVECTOR3& b) override;
    void box(const core::AxisAlignedBoundingBox& box, int type) override;
    void quad(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c, const D3DXVECTOR3& d,
        int type) override;
    void triangle(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c, int type) override;
    void circle(float innerRadius, float outerRadius, int segments, int rings, int type) override;
    void arc(float innerRadius, float outerRadius, int segments, int rings, float startDegrees, float sweepDegrees,
        int type) override;
    void sphere(float radius, int slices, int stacks, int type) override;
    void cylinder(float bottomRadius, float topRadius, float height, int segments, int rings, int type) override;

    bool onLostDevice() override;
    bool onResetDevice() override;

private:
    // A vertex whose normal follows the mode: the current normal, or `outward` (mode 1) or its
    // opposite (mode 2).
    void addShapeVertex(const D3DXVECTOR3& position, const D3DXVECTOR3& outward);
    // The steps of arc and cylinder (DebugRoundShapes.cpp).
    void fillArc(const ArcShape& shape);
    void outlineArcRings(const ArcShape& shape, bool rimsOnly);
    void drawArcSpokes(const ArcShape& shape, bool endsOnly);
    void addCylinderSideVertex(const CylinderShape& shape, int segment, int ring);
    void fillCylinderSide(const CylinderShape& shape);
    void fillCylinderEnd(const CylinderShape& shape, int end);
    void outlineCylinderRings(const CylinderShape& shape, bool endsOnly);
    void drawCylinderSideLines(const CylinderShape& shape);
    void drawList(D3DPRIMITIVETYPE type, unsigned count, const DebugVertex* vertices);
    void drawVertices();

    ID3DXFont* m_font = nullptr;
    core::SmartRef<IVertexDecl> m_decl;
    core::SmartRef<IShader> m_shader;
    IShaderParameter* m_worldViewProjection = nullptr;
    IShaderParameter* m_invViewportSize = nullptr;
    D3DXMATRIX m_matrix{};
    D3DXVECTOR4 m_colour{1.0f, 1.0f, 1.0f, 1.0f};
    D3DXVECTOR3 m_normal{0.0f, 1.0f, 0.0f};
    int m_mode = DebugNormalMode_Current;
    int m_type = DebugPrimitive_TriangleList;
    std::vector<DebugVertex> m_vertices;
    unsigned m_passes = 0;
};

} // namespace tormakelin::render
