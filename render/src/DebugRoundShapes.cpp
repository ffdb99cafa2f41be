#include "DebugRoundShapes.h"

#include <cmath>

#include "DebugRenderImpl.h"

namespace tormakelin::render {

namespace {

D3DXVECTOR3 onCircle(float radius, float radians, float y = 0.0f)
{
    return D3DXVECTOR3(radius * std::cos(radians), y, radius * std::sin(radians));
}

} // namespace

ArcShape::ArcShape(float innerRadius, float outerRadius, int segments, int rings, float startDegrees,
    float sweepDegrees)
    : innerRadius(innerRadius), outerRadius(outerRadius), rings(rings),
      full(sweepDegrees <= -360.0f || sweepDegrees >= 360.0f)
{
    if (full) {
        sweepDegrees = 360.0f;
    } else if (sweepDegrees < 0.0f) {
        startDegrees += sweepDegrees;
        sweepDegrees = -sweepDegrees;
    }
    points = full ? segments : segments + 1;
    start = startDegrees * D3DX_PI / 180.0f;
    step = sweepDegrees * D3DX_PI / 180.0f / float(segments);
}

float ArcShape::radiusOf(int ring) const
{
    return innerRadius + (outerRadius - innerRadius) * float(ring) / float(rings);
}

D3DXVECTOR3 ArcShape::at(float radius, int point) const { return onCircle(radius, start + step * float(point)); }

CylinderShape::CylinderShape(float bottomRadius, float topRadius, float height, int segments, int rings)
    : bottomRadius(bottomRadius), topRadius(topRadius), height(height), segments(segments), rings(rings),
      step(2.0f * D3DX_PI / float(segments)), slope(height > 0.0f ? (bottomRadius - topRadius) / height : 0.0f)
{
}

float CylinderShape::ringRadius(int ring) const
{
    return bottomRadius + (topRadius - bottomRadius) * float(ring) / float(rings);
}

float CylinderShape::ringHeight(int ring) const { return height * float(ring) / float(rings); }

float CylinderShape::angleOf(int segment) const { return step * float(segment % segments); }

D3DXVECTOR3 CylinderShape::sideOutward(int segment) const
{
    const float angle = angleOf(segment);
    D3DXVECTOR3 outward(std::cos(angle), slope, std::sin(angle));
    D3DXVec3Normalize(&outward, &outward);
    return outward;
}

// One strip per band; a full circle repeats its first point to close.
void DebugRender::fillArc(const ArcShape& shape)
{
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    const int around = shape.full ? shape.points + 1 : shape.points;
    for (int ring = 0; ring < shape.rings; ++ring) {
        beginPrimitive(DebugPrimitive_TriangleStrip);
        for (int i = 0; i < around; ++i) {
            addShapeVertex(shape.at(shape.radiusOf(ring + 1), i % shape.points), up);
            addShapeVertex(shape.at(shape.radiusOf(ring), i % shape.points), up);
        }
        endPrimitive();
    }
}

// Outermost first; a ring of no radius is a point and is left out.
void DebugRender::outlineArcRings(const ArcShape& shape, bool rimsOnly)
{
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    for (int ring = shape.rings; ring >= 0; --ring) {
        const float radius = shape.radiusOf(ring);
        if (radius <= 0.0f || (rimsOnly && ring != 0 && ring != shape.rings)) {
            continue;
        }
        beginPrimitive(shape.full ? DebugPrimitive_LineLoop : DebugPrimitive_LineStrip);
        for (int i = 0; i < shape.points; ++i) {
            addShapeVertex(shape.at(radius, i), up);
        }
        endPrimitive();
    }
}

// Lines across the band at each point, or at the two ends alone.
void DebugRender::drawArcSpokes(const ArcShape& shape, bool endsOnly)
{
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    beginPrimitive(DebugPrimitive_LineList);
    for (int i = 0; i < shape.points; ++i) {
        if (endsOnly && i != 0 && i != shape.points - 1) {
            continue;
        }
        addShapeVertex(shape.at(shape.innerRadius, i), up);
        addShapeVertex(shape.at(shape.outerRadius, i), up);
    }
    endPrimitive();
}

void DebugRender::addCylinderSideVertex(const CylinderShape& shape, int segment, int ring)
{
    addShapeVertex(onCircle(shape.ringRadius(ring), shape.angleOf(segment), shape.ringHeight(ring)),
        shape.sideOutward(segment));
}

void DebugRender::fillCylinderSide(const CylinderShape& shape)
{
    for (int ring = 0; ring < shape.rings; ++ring) {
        beginPrimitive(DebugPrimitive_TriangleStrip);
        for (int i = 0; i <= shape.segments; ++i) {
            addCylinderSideVertex(shape, i, ring + 1);
            addCylinderSideVertex(shape, i, ring);
        }
        endPrimitive();
    }
}

// A fan round the centre of the bottom (end 0) or the top (end 1); none for an end of no radius.
void DebugRender::fillCylinderEnd(const CylinderShape& shape, int end)
{
    const float radius = end == 0 ? shape.bottomRadius : shape.topRadius;
    if (radius <= 0.0f) {
        return;
    }
    const float y = end == 0 ? 0.0f : shape.height;
    const D3DXVECTOR3 outward(0.0f, end == 0 ? -1.0f : 1.0f, 0.0f);
    beginPrimitive(DebugPrimitive_TriangleFan);
    addShapeVertex(D3DXVECTOR3(0.0f, y, 0.0f), outward);
    for (int i = 0; i <= shape.segments; ++i) {
        addShapeVertex(onCircle(radius, shape.angleOf(i), y), outward);
    }
    endPrimitive();
}

// Rings round the axis, or the two ends alone; a ring of no radius is left out.
void DebugRender::outlineCylinderRings(const CylinderShape& shape, bool endsOnly)
{
    for (int ring = 0; ring <= shape.rings; ++ring) {
        if ((endsOnly && ring != 0 && ring != shape.rings) || shape.ringRadius(ring) <= 0.0f) {
            continue;
        }
        beginPrimitive(DebugPrimitive_LineLoop);
        for (int i = 0; i < shape.segments; ++i) {
            addCylinderSideVertex(shape, i, ring);
        }
        endPrimitive();
    }
}

void DebugRender::drawCylinderSideLines(const CylinderShape& shape)
{
    beginPrimitive(DebugPrimitive_LineList);
    for (int i = 0; i < shape.segments; ++i) {
        addCylinderSideVertex(shape, i, 0);
        addCylinderSideVertex(shape, i, shape.rings);
    }
    endPrimitive();
}

} // namespace tormakelin::render
