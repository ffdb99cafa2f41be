#include <algorithm>
#include <cmath>

#include <tormakelin/core/BoundingVolume.h>

#include "DebugRenderImpl.h"
#include "DebugRoundShapes.h"

namespace tormakelin::render {

namespace {

constexpr int kMaxSegments = 239;
constexpr float kPi = 3.14159265358979f;

} // namespace

void DebugRender::line(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    beginPrimitive(DebugPrimitive_LineList);
    addVertex(a);
    addVertex(b);
    endPrimitive();
}

void DebugRender::triangle(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c, int type)
{
    if (type == DebugShape_Filled) {
        beginPrimitive(DebugPrimitive_TriangleList);
        for (const D3DXVECTOR3* p : {&a, &b, &c}) {
            addVertex(*p);
        }
        endPrimitive();
    } else if (type == DebugShape_Wire || type == DebugShape_Outline) {
        beginPrimitive(DebugPrimitive_LineList);
        for (const D3DXVECTOR3* p : {&a, &b, &b, &c, &c, &a}) {
            addVertex(*p);
        }
        endPrimitive();
    }
}

void DebugRender::quad(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c, const D3DXVECTOR3& d,
    int type)
{
    if (type == DebugShape_Filled) {
        beginPrimitive(DebugPrimitive_TriangleStrip);
        for (const D3DXVECTOR3* p : {&a, &b, &d, &c}) {
            addVertex(*p);
        }
        endPrimitive();
        return;
    }
    if (type != DebugShape_Wire && type != DebugShape_Outline) {
        return;
    }
    beginPrimitive(DebugPrimitive_LineLoop);
    for (const D3DXVECTOR3* p : {&a, &b, &c, &d}) {
        addVertex(*p);
    }
    endPrimitive();
    if (type == DebugShape_Wire) {
        line(b, d);
    }
}

void DebugRender::box(const core::AxisAlignedBoundingBox& box, int type)
{
    D3DXVECTOR3 c[8];
    box.getCorners(c);
    // Corners: bit 0 x, bit 1 y, bit 2 z; each face goes round its four corners.
    static const int kFaces[6][4] = {
        {0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    for (const auto& f : kFaces) {
        quad(c[f[0]], c[f[1]], c[f[2]], c[f[3]], type);
    }
}

void DebugRender::circle(float innerRadius, float outerRadius, int segments, int rings, int type)
{
    arc(innerRadius, outerRadius, segments, rings, 0.0f, 360.0f, type);
}

void DebugRender::arc(float innerRadius, float outerRadius, int segments, int rings, float startDegrees,
    float sweepDegrees, int type)
{
    segments = std::min(segments, kMaxSegments);
    if (segments < 2 || rings < 1 || outerRadius <= 0.0f || innerRadius < 0.0f || innerRadius > outerRadius) {
        return;
    }
    const ArcShape shape(innerRadius, outerRadius, segments, rings, startDegrees, sweepDegrees);
    if (type == DebugShape_Filled) {
        fillArc(shape);
        return;
    }
    if (type != DebugShape_Wire && type != DebugShape_Outline) {
        return;
    }
    // Outlines: every ring (the outer and inner rims only for type 2), spokes for type 1.
    outlineArcRings(shape, type == DebugShape_Outline);
    if (type == DebugShape_Wire || !shape.full) {
        drawArcSpokes(shape, type == DebugShape_Outline);
    }
}

void DebugRender::sphere(float radius, int slices, int stacks, int type)
{
    slices = std::min(slices, kMaxSegments);
    stacks = std::min(stacks, kMaxSegments);
    if (slices < 2 || stacks < 1 || radius < 0.0f) {
        return;
    }
    auto direction = [&](int slice, int stack) {
        const float theta = 2.0f * kPi * float(slice % slices) / float(slices);
        const float phi = kPi * float(stack) / float(stacks);
        return D3DXVECTOR3(std::sin(phi) * std::cos(theta), std::cos(phi), std::sin(phi) * std::sin(theta));
    };
    auto add = [&](int slice, int stack) {
        const D3DXVECTOR3 n = direction(slice, stack);
        addShapeVertex(n * radius, n);
    };
    if (type == DebugShape_Filled) {
        if (stacks == 1) {
            return;
        }
        // Caps as fans round the poles, the bands between them as strips.
        beginPrimitive(DebugPrimitive_TriangleFan);
        add(0, 0);
        for (int i = 0; i <= slices; ++i) {
            add(i, 1);
        }
        endPrimitive();
        for (int j = 1; j + 1 < stacks; ++j) {
            beginPrimitive(DebugPrimitive_TriangleStrip);
            for (int i = 0; i <= slices; ++i) {
                add(i, j);
                add(i, j + 1);
            }
            endPrimitive();
        }
        beginPrimitive(DebugPrimitive_TriangleFan);
        add(0, stacks);
        for (int i = slices; i >= 0; --i) {
            add(i, stacks - 1);
        }
        endPrimitive();
        return;
    }
    if (type != DebugShape_Wire && type != DebugShape_Outline) {
        return;
    }
    for (int j = 1; j < stacks; ++j) {
        beginPrimitive(DebugPrimitive_LineStrip);
        for (int i = 0; i <= slices; ++i) {
            add(i, j);
        }
        endPrimitive();
    }
    for (int i = 0; i < slices; ++i) {
        beginPrimitive(DebugPrimitive_LineStrip);
        for (int j = 0; j <= stacks; ++j) {
            add(i, j);
        }
        endPrimitive();
    }
}

void DebugRender::cylinder(float bottomRadius, float topRadius, float height, int segments, int rings, int type)
{
    segments = std::min(segments, kMaxSegments);
    if (segments < 2 || rings < 1 || bottomRadius < 0.0f || topRadius < 0.0f || height < 0.0f) {
        return;
    }
    const CylinderShape shape(bottomRadius, topRadius, height, segments, rings);
    if (type == DebugShape_Filled) {
        fillCylinderSide(shape);
        fillCylinderEnd(shape, 0);
        fillCylinderEnd(shape, 1);
        return;
    }
    if (type != DebugShape_Wire && type != DebugShape_Outline) {
        return;
    }
    // Rings round the axis (only the two ends for type 2) and the lines along the side.
    outlineCylinderRings(shape, type == DebugShape_Outline);
    drawCylinderSideLines(shape);
}

} // namespace tormakelin::render
