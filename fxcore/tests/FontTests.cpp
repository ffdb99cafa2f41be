#include <tormakelin/fxcore/Font.h>

#include "DeviceTestSupport.h"

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderWindow.h>
#include <tormakelin/render/Texture.h>

#include <d3d9.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

using namespace tormakelin;
using fxcore::FontFile;
using fxcore::FontGlyph;

namespace {

char const* const kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// A headless device for the atlas textures, the file system for the font files, and a folder
// for broken ones.
class FontTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_fileSystem = core::createFileSystem();
        m_device = render::createRenderDevice();
        render::DeviceCreateParams params;
        params.width = 32;
        params.height = 32;
        ASSERT_TRUE(m_device->create(&m_window, params));
        m_folder = std::filesystem::temp_directory_path() / ("tormakelin_font_test_" + std::to_string(getpid()));
        std::filesystem::create_directories(m_folder);
    }

    void TearDown() override
    {
        m_device = nullptr;
        m_fileSystem = nullptr;
        std::filesystem::remove_all(m_folder);
    }

    std::string writeFile(std::string const& name, std::vector<char> const& bytes)
    {
        std::filesystem::path const path = m_folder / name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), long(bytes.size()));
        return path.string();
    }

    static std::vector<char> readFile(char const* path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(file), {});
    }

    // Row by row, atlas width bytes each.
    static std::vector<uint8_t> atlasPixels(render::ITexture* texture)
    {
        std::vector<uint8_t> pixels;
        auto* d3dTexture = static_cast<IDirect3DTexture9*>(texture->getD3DTexture());
        D3DLOCKED_RECT locked;
        if (d3dTexture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY) != D3D_OK)
            return pixels;
        unsigned const width = texture->getWidth();
        pixels.resize(size_t(width) * texture->getHeight());
        for (unsigned y = 0; y < texture->getHeight(); ++y) {
            auto const* row = static_cast<uint8_t const*>(locked.pBits) + size_t(y) * size_t(locked.Pitch);
            std::copy(row, row + width, pixels.begin() + long(y) * long(width));
        }
        d3dTexture->UnlockRect(0);
        return pixels;
    }

    core::SmartRef<core::IFileSystem> m_fileSystem;
    fxcore::test::HiddenWindow m_window;
    core::SmartRef<render::IRenderDevice> m_device;
    std::filesystem::path m_folder;
};

bool isPowerOfTwo(unsigned value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

} // namespace

TEST(FontCharacterSet, HoldsTheCodesInOrder)
{
    std::vector<uint16_t> expected;
    for (uint16_t c = 0x20; c <= 0x7E; ++c)
        expected.push_back(c);
    for (uint16_t c = 0xA0; c <= 0x17F; ++c)
        expected.push_back(c);
    expected.push_back(0x192);
    for (uint16_t c = 0x1FA; c <= 0x1FF; ++c)
        expected.push_back(c);
    expected.insert(expected.end(), {0x20AC, 0x2122, 0xFFFF});
    ASSERT_EQ(expected.size(), size_t(fxcore::fontCharacterCount) + 1);
    EXPECT_EQ(std::vector<uint16_t>(fxcore::fontCharacterSet, fxcore::fontCharacterSet + expected.size()), expected);
}

TEST_F(FontTest, BuildsOneAtlasWithEveryGlyphOfTheSet)
{
    FontFile file;
    ASSERT_TRUE(file.load(kSans, 32));
    fxcore::IFont* font = file.getFont();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(file.getFamilyName(), "DejaVu Sans");
    EXPECT_EQ(font->getSize(), 32);
    // DejaVu Sans at 32 pt: ascender 30, descender -7 after rounding up.
    EXPECT_GT(font->getLineHeight(), 32);
    EXPECT_LT(font->getLineHeight(), 48);

    render::ITexture* texture = font->getTexture();
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(isPowerOfTwo(texture->getWidth()));
    EXPECT_TRUE(isPowerOfTwo(texture->getHeight()));
    EXPECT_LE(texture->getWidth(), 4096u);
    D3DSURFACE_DESC desc;
    static_cast<IDirect3DTexture9*>(texture->getD3DTexture())->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_L8);
    EXPECT_EQ(static_cast<IDirect3DTexture9*>(texture->getD3DTexture())->GetLevelCount(), 1u);

    for (int i = 0; i < fxcore::fontCharacterCount; ++i) {
        FontGlyph const* glyph = font->getGlyph(fxcore::fontCharacterSet[i]);
        ASSERT_NE(glyph, nullptr) << fxcore::fontCharacterSet[i];
        EXPECT_GE(glyph->pitch, glyph->width);
    }
    for (unsigned short missing : {0x00, 0x1F, 0x7F, 0x9F, 0x180, 0xFF80, 0xFFFF})
        EXPECT_EQ(font->getGlyph(missing), nullptr) << missing;

    FontGlyph const* space = font->getGlyph(' ');
    EXPECT_EQ(space->rows * space->width, 0);
    EXPECT_GT(space->advance, 0);
    FontGlyph const* a = font->getGlyph('A');
    EXPECT_GT(a->rows, 10);
    EXPECT_GT(a->advance, a->left);
    // Capitals stand on the baseline: their top lies about an ascender's cap height down.
    FontGlyph const* x = font->getGlyph('x');
    EXPECT_GT(x->yOffset, a->yOffset);
}

TEST_F(FontTest, CellsAreBorderedAndApart)
{
    FontFile file;
    ASSERT_TRUE(file.load(kSans, 24));
    fxcore::IFont* font = file.getFont();
    ASSERT_NE(font, nullptr);
    render::ITexture* texture = font->getTexture();
    int const width = int(texture->getWidth());
    int const height = int(texture->getHeight());
    std::vector<uint8_t> const pixels = atlasPixels(texture);
    ASSERT_EQ(pixels.size(), size_t(width) * size_t(height));

    std::vector<FontGlyph const*> drawn;
    for (int i = 0; i < fxcore::fontCharacterCount; ++i) {
        FontGlyph const* glyph = font->getGlyph(fxcore::fontCharacterSet[i]);
        if (glyph->width == 0 || glyph->rows == 0)
            continue;
        int const cellWidth = glyph->pitch + 4;
        int const cellHeight = glyph->rows + 4;
        ASSERT_LE(glyph->x + cellWidth, width);
        ASSERT_LE(glyph->y + cellHeight, height);
        long inside = 0;
        for (int cy = 0; cy < cellHeight; ++cy) {
            for (int cx = 0; cx < cellWidth; ++cx) {
                uint8_t const p = pixels[size_t(glyph->y + cy) * size_t(width) + size_t(glyph->x + cx)];
                bool const border = cx < 2 || cy < 2 || cx >= cellWidth - 2 || cy >= cellHeight - 2;
                if (border) {
                    ASSERT_EQ(p, 0) << "glyph " << fxcore::fontCharacterSet[i] << " at " << cx << "," << cy;
                }
                inside += p;
            }
        }
        EXPECT_GT(inside, 0) << fxcore::fontCharacterSet[i];
        for (FontGlyph const* other : drawn) {
            bool const apart = glyph->x + cellWidth <= other->x || other->x + other->pitch + 4 <= glyph->x ||
                glyph->y + cellHeight <= other->y || other->y + other->rows + 4 <= glyph->y;
            ASSERT_TRUE(apart) << "cell of " << fxcore::fontCharacterSet[i] << " overlaps";
        }
        drawn.push_back(glyph);
    }
    EXPECT_GT(drawn.size(), 300u);
}

TEST_F(FontTest, KerningPairsAreWholePixels)
{
    FontFile file;
    ASSERT_TRUE(file.load(kSans, 48));
    fxcore::IFont* font = file.getFont();
    ASSERT_NE(font, nullptr);
    // The classic pair pulls together; nothing is stored for unkerned or unknown codes.
    EXPECT_LT(font->getKerning('A', 'V'), 0);
    EXPECT_LT(font->getKerning('T', 'o'), 0);
    EXPECT_EQ(font->getKerning('l', 'l'), 0);
    EXPECT_EQ(font->getKerning(0x7F, 'V'), 0);
    EXPECT_EQ(font->getKerning('A', 0xFFFF), 0);
    // Kerning of a pair is not kerning of the pair reversed.
    EXPECT_NE(font->getKerning('A', 'V'), font->getKerning('V', 'V'));
}

TEST_F(FontTest, OneLibraryForAllFontFiles)
{
    int const before = FontFile::getInstanceCount();
    {
        FontFile first;
        FontFile second;
        EXPECT_EQ(FontFile::getInstanceCount(), before + 2);
        ASSERT_TRUE(first.load(kSans, 12));
        ASSERT_TRUE(second.load(kSans, 14));
        EXPECT_TRUE(FontFile::hasLibrary());
        EXPECT_NE(first.getFont()->getTexture(), second.getFont()->getTexture());
    }
    EXPECT_EQ(FontFile::getInstanceCount(), before);
    if (before == 0) {
        EXPECT_FALSE(FontFile::hasLibrary());
    }
}

TEST_F(FontTest, AMissingFileKeepsWhatWasThere)
{
    FontFile empty;
    EXPECT_FALSE(empty.load((m_folder / "absent.ttf").string(), 32));
    EXPECT_EQ(empty.getFont(), nullptr);

    FontFile loaded;
    ASSERT_TRUE(loaded.load(kSans, 20));
    fxcore::IFont* font = loaded.getFont();
    EXPECT_FALSE(loaded.load((m_folder / "absent.ttf").string(), 32));
    EXPECT_EQ(loaded.getFont(), font);
    EXPECT_EQ(loaded.getFont()->getSize(), 20);
    EXPECT_EQ(loaded.getFamilyName(), "DejaVu Sans");
}

TEST_F(FontTest, AFailedBuildDropsTheEarlierFont)
{
    std::vector<char> const sans = readFile(kSans);
    ASSERT_GT(sans.size(), 4096u);
    struct Case {
        char const* name;
        std::vector<char> bytes;
        int size;
    };
    Case const cases[] = {
        {"text.ttf", std::vector<char>{'n', 'o', ' ', 'f', 'o', 'n', 't'}, 32},
        {"empty.ttf", {}, 32},
        {"header.ttf", std::vector<char>(sans.begin(), sans.begin() + 12), 32},
        {"half.ttf", std::vector<char>(sans.begin(), sans.begin() + long(sans.size() / 2)), 32},
        {"sizeless.ttf", sans, 0},
        {"negative.ttf", sans, -5},
    };
    for (Case const& c : cases) {
        FontFile file;
        ASSERT_TRUE(file.load(kSans, 16));
        EXPECT_FALSE(file.load(writeFile(c.name, c.bytes), c.size)) << c.name;
        EXPECT_EQ(file.getFont(), nullptr) << c.name;
        EXPECT_EQ(file.getFamilyName(), "") << c.name;
    }
}

TEST_F(FontTest, GlyphsTooLargeForOneAtlasFail)
{
    FontFile file;
    ASSERT_TRUE(file.load(kSans, 16));
    EXPECT_FALSE(file.load(kSans, 1200));
    EXPECT_EQ(file.getFont(), nullptr);
}

TEST_F(FontTest, TheLargestSizeTheLoaderAsksForFits)
{
    FontFile file;
    ASSERT_TRUE(file.load(kSans, 180));
    EXPECT_LE(file.getFont()->getTexture()->getWidth(), 4096u);
    EXPECT_LE(file.getFont()->getTexture()->getHeight(), 4096u);
}

namespace {

// One 8-pixel strike; 'A' is also the glyph drawn for codes the font lacks.
char const* const kBitmapFont = R"(STARTFONT 2.1
FONT -test-fixed-medium-r-normal--8-80-75-75-c-80-iso10646-1
SIZE 8 75 75
FONTBOUNDINGBOX 8 8 0 -1
STARTPROPERTIES 4
FONT_ASCENT 7
FONT_DESCENT 1
DEFAULT_CHAR 65
FAMILY_NAME "Test Fixed"
ENDPROPERTIES
CHARS 2
STARTCHAR A
ENCODING 65
SWIDTH 500 0
DWIDTH 8 0
BBX 8 8 0 -1
BITMAP
18
24
42
7E
42
42
81
00
ENDCHAR
STARTCHAR I
ENCODING 73
SWIDTH 500 0
DWIDTH 8 0
BBX 3 6 2 0
BITMAP
E0
40
40
40
40
E0
ENDCHAR
ENDFONT
)";

} // namespace

TEST_F(FontTest, BitmapFacesUseAStrikeAndExpandTheirBits)
{
    std::string const bdf = kBitmapFont;
    std::string const path = writeFile("fixed.bdf", std::vector<char>(bdf.begin(), bdf.end()));
    FontFile file;
    ASSERT_TRUE(file.load(path, 40));
    fxcore::IFont* font = file.getFont();
    ASSERT_NE(font, nullptr);
    // Asked for more strikes than it has, the face uses its last one and reports its index.
    EXPECT_EQ(font->getSize(), 0);
    EXPECT_EQ(font->getLineHeight(), 8);
    FontGlyph const* a = font->getGlyph('A');
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->width, 8);
    EXPECT_EQ(a->rows, 8);
    EXPECT_EQ(a->pitch % 8, 0);
    EXPECT_EQ(a->yOffset, 0);
    EXPECT_EQ(a->advance, 8);

    std::vector<uint8_t> const pixels = atlasPixels(font->getTexture());
    unsigned const width = font->getTexture()->getWidth();
    auto at = [&](FontGlyph const* g, int x, int y) { return pixels[size_t(g->y + 2 + y) * width + size_t(g->x + 2 + x)]; };
    uint8_t const rowZero[8] = {0, 0, 0, 255, 255, 0, 0, 0};
    uint8_t const rowSix[8] = {255, 0, 0, 0, 0, 0, 0, 255};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(at(a, x, 0), rowZero[x]) << x;
        EXPECT_EQ(at(a, x, 6), rowSix[x]) << x;
        EXPECT_EQ(at(a, x, 7), 0) << x;
    }
    FontGlyph const* i = font->getGlyph('I');
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->width, 3);
    EXPECT_EQ(at(i, 0, 0), 255);
    EXPECT_EQ(at(i, 1, 1), 255);
    EXPECT_EQ(at(i, 0, 1), 0);
    EXPECT_EQ(at(i, 3, 0), 0);

    // A code of the set that the face lacks gets the face's missing-glyph shape.
    FontGlyph const* z = font->getGlyph('Z');
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(z->rows, a->rows);
    EXPECT_EQ(z->width, a->width);
}
