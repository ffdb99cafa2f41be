#pragma once
// The geometry of the arc and cylinder debug shapes, which their drawing steps share.

#include <d3dx9math.h>

namespace tormakelin::render {

// A band from innerRadius to outerRadius, `rings` rings across and `segments` segments along a
// sweep that starts at `start` radians. A full circle has `segments` distinct points, an open
// arc one more.
struct ArcShape {
    ArcShape(float innerRadius, float outerRadius, int segments, int rings, float startDegrees, float sweepDegrees);

    float radiusOf(int ring) const;
    D3DXVECTOR3 at(float radius, int point) const;

    float innerRadius;
    float outerRadius;
    int rings;
    bool full;
    int points;
    float start;
    float step;
};

// A cone frustum standing on the origin, `rings` rings up its side of `segments` segments.
struct CylinderShape {
    CylinderShape(float bottomRadius, float topRadius, float height, int segments, int rings);

    float ringRadius(int ring) const;
    float ringHeight(int ring) const;
    float angleOf(int segment) const;
    D3DXVECTOR3 sideOutward(int segment) const;

    float bottomRadius;
    float topRadius;
    float height;
    int segments;
    int rings;
    float step;
    float slope;
};

} // namespace tormakelin::render
