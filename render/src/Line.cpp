#include <d3dx9core.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/DebugRender.h>
#include <tormakelin/render/Line.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderListener.h>

namespace tormakelin::render {

namespace {

class Line final : public core::RefCounted<ILine>, public RenderListener {
public:
    explicit Line(ID3DXLine* line) : RenderListener(true), m_line(line) {}
    ~Line() override { m_line->Release(); }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    bool begin() override { return SUCCEEDED(m_line->Begin()); }
    bool end() override { return SUCCEEDED(m_line->End()); }

    void draw(const D3DXVECTOR3* points, unsigned count, const D3DXMATRIX& transform,
        const D3DXVECTOR4& colour) override
    {
        m_line->DrawTransform(points, count, &transform, packColour(colour));
    }

    void setWidth(float width) override { m_line->SetWidth(width); }

    bool onLostDevice() override { return SUCCEEDED(m_line->OnLostDevice()); }
    bool onResetDevice() override { return SUCCEEDED(m_line->OnResetDevice()); }

private:
    ID3DXLine* m_line;
};

} // namespace

ILine* createLine()
{
    IDirect3DDevice9* d3d = g_renderDevice ? g_renderDevice->getD3DDevice() : nullptr;
    ID3DXLine* line = nullptr;
    if (d3d == nullptr || FAILED(D3DXCreateLine(d3d, &line))) {
        return nullptr;
    }
    line->SetGLLines(TRUE);
    line->SetAntialias(TRUE);
    return new Line(line);
}

} // namespace tormakelin::render
