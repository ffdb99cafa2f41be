// ID3DXFont: text from a glyph atlas, drawn as textured quads straight through the device.
#include <algorithm>
#include <cstring>

#include "DrawState.h"
#include "GlyphAtlas.h"
#include "TextLayout.h"
#include "d3dx9core.h"

using namespace d3dxfont;
using d3dxdraw::ScreenVertex;

namespace {

class Font final : public d3dxdraw::DeviceObject<ID3DXFont> {
public:
    Font(IDirect3DDevice9* device, const D3DXFONT_DESC& desc) : DeviceObject(device), desc_(desc) {}
    ~Font() override { releaseDeviceObjects(); }

    bool init() {
        const std::string file = findFontFile(desc_.Weight >= 600, desc_.Italic != FALSE);
        return buildGlyphAtlas(file, desc_.Height, atlas_) && createDeviceObjects();
    }

    HRESULT GetDesc(D3DXFONT_DESC* desc) override {
        if (!desc) return D3DERR_INVALIDCALL;
        *desc = desc_;
        return D3D_OK;
    }

    INT DrawText(ID3DXSprite*, LPCSTR text, INT count, LPRECT rect, DWORD format, D3DCOLOR color) override {
        if (!text) return 0;
        const bool noRect = !rect;
        const RECT area = rect ? *rect : RECT{0, 0, 0, 0};
        const TextLayout layout = layoutText(atlas_, text, count, area, format);
        if (format & DT_CALCRECT) {
            if (rect) *rect = layout.bounds;
            return layout.height;
        }
        if (!texture_ || !pipeline_.ready() || layout.glyphs.empty()) return layout.height;
        std::vector<ScreenVertex> vertices;
        vertices.reserve(layout.glyphs.size() * 6);
        const float iw = 1.0f / float(atlas_.atlasWidth), ih = 1.0f / float(atlas_.atlasHeight);
        for (const PlacedGlyph& p : layout.glyphs) {
            // Edges half a pixel before the centres, so each texel lands on one pixel.
            const float x0 = float(p.x) - 0.5f, y0 = float(p.y) - 0.5f;
            const float x1 = x0 + float(p.glyph->width), y1 = y0 + float(p.glyph->height);
            const float u0 = float(p.glyph->x) * iw, v0 = float(p.glyph->y) * ih;
            const float u1 = float(p.glyph->x + p.glyph->width) * iw, v1 = float(p.glyph->y + p.glyph->height) * ih;
            const ScreenVertex a{x0, y0, 0, 1, color, u0, v0}, b{x1, y0, 0, 1, color, u1, v0};
            const ScreenVertex c{x0, y1, 0, 1, color, u0, v1}, d{x1, y1, 0, 1, color, u1, v1};
            vertices.insert(vertices.end(), {a, b, c, c, b, d});
        }
        {
            d3dxdraw::SavedState saved(device_);
            const bool clip = !noRect && !(format & DT_NOCLIP);
            pipeline_.bind(device_, true, clip ? &area : nullptr);
            device_->SetTexture(0, texture_);
            device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(vertices.size() / 3), vertices.data(), sizeof(ScreenVertex));
        }
        return layout.height;
    }

    HRESULT OnLostDevice() override { return D3D_OK; }  // the atlas lives in the managed pool
    HRESULT OnResetDevice() override { return texture_ || createDeviceObjects() ? D3D_OK : E_FAIL; }

private:
    bool createDeviceObjects() {
        if (!pipeline_.create(device_)) return false;
        if (FAILED(device_->CreateTexture(UINT(atlas_.atlasWidth), UINT(atlas_.atlasHeight), 1, 0, D3DFMT_A8,
                D3DPOOL_MANAGED, &texture_, nullptr)))
            return false;
        D3DLOCKED_RECT locked{};
        if (FAILED(texture_->LockRect(0, &locked, nullptr, 0))) return false;
        for (int y = 0; y < atlas_.atlasHeight; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                &atlas_.coverage[size_t(y) * size_t(atlas_.atlasWidth)], size_t(atlas_.atlasWidth));
        texture_->UnlockRect(0);
        return true;
    }

    void releaseDeviceObjects() {
        pipeline_.release();
        if (texture_) texture_->Release();
        texture_ = nullptr;
    }

    D3DXFONT_DESC desc_;
    GlyphAtlas atlas_;
    IDirect3DTexture9* texture_ = nullptr;
    d3dxdraw::Pipeline pipeline_;
};

}  // namespace

HRESULT D3DXCreateFont(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mipLevels, BOOL italic,
    DWORD charSet, DWORD outputPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName, ID3DXFont** font) {
    if (!device || !font || height == 0) return D3DERR_INVALIDCALL;
    *font = nullptr;
    D3DXFONT_DESC desc{height, width, weight, mipLevels, italic, BYTE(charSet), BYTE(outputPrecision), BYTE(quality),
                       BYTE(pitchAndFamily), {}};
    if (faceName) std::strncpy(desc.FaceName, faceName, sizeof desc.FaceName - 1);
    auto* created = new Font(device, desc);
    if (!created->init()) {
        created->Release();
        return E_FAIL;
    }
    *font = created;
    return D3D_OK;
}
