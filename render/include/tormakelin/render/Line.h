#pragma once
// Screen-space lines through the D3DX line helper.

#include <d3dx9math.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

class TORMAKELIN_RENDER_API ILine {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // False without a line.
    virtual bool begin() = 0;
    virtual bool end() = 0;
    // A strip through the points, transformed into clip space by `transform`.
    virtual void draw(const D3DXVECTOR3* points, unsigned count, const D3DXMATRIX& transform,
        const D3DXVECTOR4& colour) = 0;
    virtual void setWidth(float width) = 0;
    virtual ~ILine() = default;
};

// GL-style antialiased lines; null on failure.
TORMAKELIN_RENDER_API ILine* createLine();

} // namespace tormakelin::render
