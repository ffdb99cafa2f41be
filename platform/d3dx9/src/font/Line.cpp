// ID3DXLine: screen-space line strips, one pixel wide as device lines or wider as quads.
#include <cmath>
#include <memory>
#include <vector>

#include "DrawState.h"
#include "d3dx9core.h"

using d3dxdraw::ScreenVertex;

namespace {

class Line final : public d3dxdraw::DeviceObject<ID3DXLine> {
public:
    explicit Line(IDirect3DDevice9* device) : DeviceObject(device) {}
    ~Line() override {
        saved_.reset();
        pipeline_.release();
    }
    bool init() { return pipeline_.create(device_); }

    HRESULT Begin() override {
        if (saved_) return D3DERR_INVALIDCALL;
        if (!pipeline_.ready()) return E_FAIL;
        saved_ = std::make_unique<d3dxdraw::SavedState>(device_);
        pipeline_.bind(device_, false, nullptr);
        return D3D_OK;
    }
    HRESULT End() override {
        if (!saved_) return D3DERR_INVALIDCALL;
        saved_.reset();
        return D3D_OK;
    }

    HRESULT Draw(const D3DXVECTOR2* points, DWORD count, D3DCOLOR color) override {
        if (!points) return D3DERR_INVALIDCALL;
        std::vector<D3DXVECTOR2> strip(points, points + count);
        return drawStrip(strip, color);
    }

    HRESULT DrawTransform(const D3DXVECTOR3* points, DWORD count, const D3DXMATRIX* transform, D3DCOLOR color) override {
        if (!points || !transform) return D3DERR_INVALIDCALL;
        D3DVIEWPORT9 vp{};
        device_->GetViewport(&vp);
        // Each run of points in front of the eye is its own strip.
        std::vector<D3DXVECTOR2> strip;
        HRESULT hr = D3D_OK;
        for (DWORD i = 0; i < count && SUCCEEDED(hr); ++i) {
            D3DXVECTOR4 clip;
            D3DXVec3Transform(&clip, &points[i], transform);
            if (clip.w <= 0) {
                hr = drawStrip(strip, color);
                strip.clear();
                continue;
            }
            strip.push_back({(clip.x / clip.w + 1) * 0.5f * float(vp.Width), (1 - clip.y / clip.w) * 0.5f * float(vp.Height)});
        }
        return SUCCEEDED(hr) ? drawStrip(strip, color) : hr;
    }

    HRESULT SetPattern(DWORD pattern) override {
        pattern_ = pattern;
        return D3D_OK;
    }
    DWORD GetPattern() override { return pattern_; }
    HRESULT SetPatternScale(FLOAT scale) override {
        patternScale_ = scale;
        return D3D_OK;
    }
    FLOAT GetPatternScale() override { return patternScale_; }
    HRESULT SetWidth(FLOAT width) override {
        if (width <= 0) return D3DERR_INVALIDCALL;
        width_ = width;
        return D3D_OK;
    }
    FLOAT GetWidth() override { return width_; }
    HRESULT SetAntialias(BOOL antialias) override {
        antialias_ = antialias;
        return D3D_OK;
    }
    BOOL GetAntialias() override { return antialias_; }
    HRESULT SetGLLines(BOOL glLines) override {
        glLines_ = glLines;
        return D3D_OK;
    }
    BOOL GetGLLines() override { return glLines_; }
    HRESULT OnLostDevice() override { return D3D_OK; }
    HRESULT OnResetDevice() override { return D3D_OK; }

private:
    HRESULT drawStrip(const std::vector<D3DXVECTOR2>& strip, D3DCOLOR color) {
        if (strip.size() < 2) return D3D_OK;
        const bool began = !saved_;
        if (began && FAILED(Begin())) return E_FAIL;
        std::vector<ScreenVertex> v;
        HRESULT hr;
        if (width_ <= 1.0f) {
            for (const D3DXVECTOR2& p : strip) v.push_back({p.x, p.y, 0, 1, color, 0, 0});
            hr = device_->DrawPrimitiveUP(D3DPT_LINESTRIP, UINT(v.size() - 1), v.data(), sizeof(ScreenVertex));
        } else {
            for (size_t i = 0; i + 1 < strip.size(); ++i) appendQuad(v, strip[i], strip[i + 1], color);
            hr = v.empty() ? D3D_OK
                           : device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(v.size() / 3), v.data(), sizeof(ScreenVertex));
        }
        if (began) End();
        return hr;
    }

    // A segment as a quad of the line's width around it.
    void appendQuad(std::vector<ScreenVertex>& v, D3DXVECTOR2 a, D3DXVECTOR2 b, D3DCOLOR color) const {
        const float dx = b.x - a.x, dy = b.y - a.y, length = std::sqrt(dx * dx + dy * dy);
        if (length <= 0) return;
        const float nx = -dy / length * width_ * 0.5f, ny = dx / length * width_ * 0.5f;
        const ScreenVertex p0{a.x + nx, a.y + ny, 0, 1, color, 0, 0}, p1{b.x + nx, b.y + ny, 0, 1, color, 0, 0};
        const ScreenVertex p2{a.x - nx, a.y - ny, 0, 1, color, 0, 0}, p3{b.x - nx, b.y - ny, 0, 1, color, 0, 0};
        v.insert(v.end(), {p0, p1, p2, p2, p1, p3});
    }

    d3dxdraw::Pipeline pipeline_;
    std::unique_ptr<d3dxdraw::SavedState> saved_;
    float width_ = 1.0f, patternScale_ = 1.0f;
    DWORD pattern_ = 0xFFFFFFFF;
    BOOL antialias_ = FALSE, glLines_ = FALSE;
};

}  // namespace

HRESULT D3DXCreateLine(IDirect3DDevice9* device, ID3DXLine** line) {
    if (!device || !line) return D3DERR_INVALIDCALL;
    *line = nullptr;
    auto* created = new Line(device);
    if (!created->init()) {
        created->Release();
        return E_FAIL;
    }
    *line = created;
    return D3D_OK;
}
