#include "FontBuilder.h"

#include "FontAtlas.h"
#include "GlyphCache.h"

#include <tormakelin/core/RectanglePacker.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Stream.h>
#include <tormakelin/render/Texture.h>

#include <d3d9.h>
#include <d3dx9tex.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace tormakelin::fxcore::detail {

namespace {

constexpr int kMaxAtlasSide = 4096;
constexpr int kCellBorder = 2;

// A glyph as it goes into the atlas: its fields without a place, and its bordered cell.
struct GlyphInfo {
    uint16_t code = 0;
    FontGlyph glyph;
    int cellWidth = 0;
    int cellHeight = 0;
    std::vector<uint8_t> cell;
};

struct FaceMetrics {
    int ascender = 0;
    int descender = 0;
    int height = 0;
    int size = 0;
    bool scalable = true;
};

unsigned long readStream(FT_Stream ftStream, unsigned long offset, unsigned char* buffer, unsigned long count)
{
    auto* stream = static_cast<core::IStream*>(ftStream->descriptor.pointer);
    unsigned long const size = stream->getSize();
    // A zero count is a seek, answered 0 on success.
    if (offset > size)
        return count == 0 ? 1 : 0;
    stream->setPosition(int(offset), core::StreamBegin);
    if (count == 0)
        return 0;
    unsigned long const wanted = std::min(count, size - offset);
    return stream->read(buffer, unsigned(wanted));
}

class FontBuilder {
public:
    FontBuilder(FT_Library library, core::IStream* stream) : m_library(library)
    {
        m_ftStream = std::make_unique<FT_StreamRec>();
        std::memset(m_ftStream.get(), 0, sizeof(FT_StreamRec));
        m_ftStream->size = stream->getSize();
        m_ftStream->descriptor.pointer = stream;
        m_ftStream->read = readStream;
    }

    ~FontBuilder()
    {
        m_glyphs.clear();
        m_cache.reset();
        if (m_face)
            FT_Done_Face(m_face);
    }

    FontBuilder(const FontBuilder&) = delete;
    FontBuilder& operator=(const FontBuilder&) = delete;

    IFont* build(int size, std::string& familyName)
    {
        if (!openFace())
            return nullptr;
        familyName = m_face->family_name ? m_face->family_name : "";
        if (!setSize(size) || !collectGlyphs())
            return nullptr;
        std::vector<core::RectanglePacker::RectangleData> cells;
        core::RectanglePacker::Rectangle atlasSize;
        if (!pack(cells, atlasSize))
            return nullptr;
        core::SmartRef<render::ITexture> texture(makeTexture(cells, atlasSize));
        if (!texture)
            return nullptr;
        auto* font = new FontAtlas(texture.get(), m_metrics.size, m_metrics.height);
        for (size_t i = 0; i < m_glyphs.size(); ++i) {
            FontGlyph glyph = m_glyphs[i].glyph;
            glyph.x = cells[i].x;
            glyph.y = cells[i].y;
            font->addGlyph(m_glyphs[i].code, glyph);
        }
        addKerning(*font);
        return font;
    }

private:
    bool openFace()
    {
        FT_Open_Args args{};
        args.flags = FT_OPEN_STREAM;
        args.stream = m_ftStream.get();
        if (FT_Open_Face(m_library, &args, 0, &m_face) != 0) {
            m_face = nullptr;
            return false;
        }
        m_cache = std::make_unique<GlyphCache>(m_face);
        return true;
    }

    bool setSize(int size)
    {
        if (FT_IS_SCALABLE(m_face)) {
            if (size <= 0 || FT_Set_Char_Size(m_face, 0, FT_F26Dot6(size) * 64, 0, 0) != 0)
                return false;
            FT_Size_Metrics const& metrics = m_face->size->metrics;
            m_metrics.ascender = int((metrics.ascender + 63) >> 6);
            m_metrics.descender = int((metrics.descender + 63) >> 6);
            m_metrics.height = m_metrics.ascender - m_metrics.descender + 1;
            m_metrics.size = size;
            m_metrics.scalable = true;
            return true;
        }
        if (m_face->num_fixed_sizes <= 0)
            return false;
        int const strike = std::clamp(size, 0, m_face->num_fixed_sizes - 1);
        if (FT_Select_Size(m_face, strike) != 0)
            return false;
        m_metrics.ascender = m_face->available_sizes[strike].height;
        m_metrics.descender = 0;
        m_metrics.height = m_metrics.ascender;
        m_metrics.size = strike;
        m_metrics.scalable = false;
        return true;
    }

    // False as soon as the cells could never fit one atlas, before more of them are allocated.
    bool collectGlyphs()
    {
        int64_t area = 0;
        for (int i = 0; i < fontCharacterCount; ++i) {
            uint16_t const code = fontCharacterSet[i];
            if (std::any_of(m_glyphs.begin(), m_glyphs.end(), [code](const GlyphInfo& g) { return g.code == code; }))
                continue;
            if (!addGlyph(code, m_cache->lookup(code)))
                return false;
            area += int64_t(m_glyphs.back().cellWidth) * m_glyphs.back().cellHeight;
            if (area > int64_t(kMaxAtlasSide) * kMaxAtlasSide)
                return false;
        }
        return true;
    }

    bool addGlyph(uint16_t code, const GlyphSlot& slot)
    {
        GlyphInfo info;
        info.code = code;
        if (slot.hasMetrics) {
            info.glyph = slot.metrics;
            info.glyph.yOffset = m_metrics.scalable ? m_metrics.ascender - slot.metrics.top : 0;
        }
        if (slot.hasBitmap && slot.width > 0 && slot.rows > 0) {
            if (slot.pitch > kMaxAtlasSide - 2 * kCellBorder || slot.rows > kMaxAtlasSide - 2 * kCellBorder)
                return false;
            info.glyph.width = slot.width;
            info.glyph.pitch = slot.pitch;
            info.glyph.rows = slot.rows;
            info.cellWidth = slot.pitch + 2 * kCellBorder;
            info.cellHeight = slot.rows + 2 * kCellBorder;
            info.cell.assign(size_t(info.cellWidth) * size_t(info.cellHeight), 0);
            for (int r = 0; r < slot.rows; ++r) {
                std::memcpy(&info.cell[size_t(r + kCellBorder) * size_t(info.cellWidth) + kCellBorder],
                    &slot.pixels[size_t(r) * size_t(slot.pitch)], size_t(slot.pitch));
            }
        }
        m_glyphs.push_back(std::move(info));
        return true;
    }

    bool pack(std::vector<core::RectanglePacker::RectangleData>& cells, core::RectanglePacker::Rectangle& atlasSize)
    {
        cells.resize(m_glyphs.size());
        for (size_t i = 0; i < m_glyphs.size(); ++i) {
            cells[i].width = m_glyphs[i].cellWidth;
            cells[i].height = m_glyphs[i].cellHeight;
        }
        core::PerimeterRectanglePacker packer;
        packer.setMaxWidth(kMaxAtlasSide);
        packer.setMaxHeight(kMaxAtlasSide);
        core::RectanglePacker::Statistics statistics;
        if (!packer.packPow2(cells, atlasSize, statistics))
            return false;
        return atlasSize.width > 0 && atlasSize.height > 0 && atlasSize.width <= kMaxAtlasSide &&
            atlasSize.height <= kMaxAtlasSide;
    }

    render::ITexture* makeTexture(
        const std::vector<core::RectanglePacker::RectangleData>& cells, const core::RectanglePacker::Rectangle& size)
    {
        std::vector<uint8_t> pixels(size_t(size.width) * size_t(size.height), 0);
        for (size_t i = 0; i < m_glyphs.size(); ++i) {
            const GlyphInfo& info = m_glyphs[i];
            for (int r = 0; r < info.cellHeight; ++r) {
                std::memcpy(&pixels[size_t(cells[i].y + r) * size_t(size.width) + size_t(cells[i].x)],
                    &info.cell[size_t(r) * size_t(info.cellWidth)], size_t(info.cellWidth));
            }
        }
        render::TextureCreateParams params;
        params.levels = 1;
        params.usage = 0;
        params.format = D3DFMT_L8;
        render::ITexture* texture = render::createTexture(unsigned(size.width), unsigned(size.height), &params);
        if (!texture)
            return nullptr;
        if (!fill(texture, pixels, size)) {
            // Made with a count of 0: one reference and its release destroy it.
            texture->addRef();
            texture->release();
            return nullptr;
        }
        return texture;
    }

    static bool fill(render::ITexture* texture, const std::vector<uint8_t>& pixels,
        const core::RectanglePacker::Rectangle& size)
    {
        if (texture->getTextureType() != render::TextureType_2D || !texture->getD3DTexture())
            return false;
        auto* d3dTexture = static_cast<IDirect3DTexture9*>(texture->getD3DTexture());
        IDirect3DSurface9* surface = nullptr;
        if (FAILED(d3dTexture->GetSurfaceLevel(0, &surface)) || !surface)
            return false;
        RECT const whole{0, 0, size.width, size.height};
        HRESULT const loaded = D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, pixels.data(), D3DFMT_L8,
            UINT(size.width), nullptr, &whole, D3DX_FILTER_NONE, 0);
        surface->Release();
        return SUCCEEDED(loaded);
    }

    void addKerning(FontAtlas& font)
    {
        if (!FT_HAS_KERNING(m_face))
            return;
        FT_UInt indices[fontCharacterCount];
        for (int i = 0; i < fontCharacterCount; ++i)
            indices[i] = FT_Get_Char_Index(m_face, fontCharacterSet[i]);
        for (int l = 0; l < fontCharacterCount; ++l) {
            for (int r = 0; r < fontCharacterCount; ++r) {
                FT_Vector kerning{};
                if (FT_Get_Kerning(m_face, indices[l], indices[r], FT_KERNING_DEFAULT, &kerning) != 0)
                    continue;
                font.addKerning(fontCharacterSet[l], fontCharacterSet[r], int(kerning.x >> 6));
            }
        }
    }

    FT_Library m_library;
    std::unique_ptr<FT_StreamRec> m_ftStream;
    FT_Face m_face = nullptr;
    std::unique_ptr<GlyphCache> m_cache;
    FaceMetrics m_metrics;
    std::vector<GlyphInfo> m_glyphs;
};

} // namespace

IFont* buildFontAtlas(FT_Library library, core::IStream* stream, int size, std::string& familyName)
{
    if (!library || !stream)
        return nullptr;
    FontBuilder builder(library, stream);
    return builder.build(size, familyName);
}

} // namespace tormakelin::fxcore::detail
