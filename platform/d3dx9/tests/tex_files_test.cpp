// Image information and decoding of JPEG, PNG, TGA, BMP and DDS files, and refusal of bad headers.
#include <gtest/gtest.h>

#include <array>

#include "DdsFile.h"
#include "ImageFile.h"
#include "tex_support.h"

using namespace d3dxtex;
using namespace texfixture;

namespace {

uint32_t argbOf(const Float4& c) {
    auto b = [](float v) { return uint32_t(v * 255.0f + 0.5f); };
    return b(c.a) << 24 | b(c.r) << 16 | b(c.g) << 8 | b(c.b);
}

}  // namespace

TEST(TexFiles, LosslessFilesDecodePixelByPixel) {
    const int w = 5, h = 3;
    const Bytes rgba = pattern(w, h);
    struct Case {
        Kind kind;
        int channels;
        D3DXIMAGE_FILEFORMAT fileFormat;
        D3DFORMAT format;
    };
    for (const Case& c : {Case{Kind::Png, 4, D3DXIFF_PNG, D3DFMT_A8R8G8B8}, Case{Kind::Tga, 4, D3DXIFF_TGA, D3DFMT_A8R8G8B8},
             Case{Kind::Bmp, 3, D3DXIFF_BMP, D3DFMT_R8G8B8}, Case{Kind::Png, 3, D3DXIFF_PNG, D3DFMT_R8G8B8}}) {
        SCOPED_TRACE(int(c.fileFormat));
        Bytes pixels;
        for (size_t i = 0; i < rgba.size(); i += 4)
            pixels.insert(pixels.end(), rgba.begin() + long(i), rgba.begin() + long(i) + c.channels);
        const Bytes file = writeImage(c.kind, w, h, c.channels, pixels.data());
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), UINT(file.size()), &info), D3D_OK);
        EXPECT_EQ(info.Width, UINT(w));
        EXPECT_EQ(info.Height, UINT(h));
        EXPECT_EQ(info.Depth, 1u);
        EXPECT_EQ(info.MipLevels, 1u);
        EXPECT_EQ(info.Format, c.format);
        EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
        EXPECT_EQ(info.ImageFileFormat, c.fileFormat);
        Rgba8Image bytes;
        ASSERT_TRUE(decodeImageFile(file.data(), file.size(), bytes));
        const FloatImage image = bytes.toFloat();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                Bytes texel(rgba.begin() + std::ptrdiff_t{y * w + x} * 4, rgba.begin() + std::ptrdiff_t{y * w + x} * 4 + 4);
                if (c.channels == 3) texel[3] = 255;
                EXPECT_EQ(argbOf(image.at(UINT(x), UINT(y))), argb(texel.data())) << x << "," << y;
            }
    }
}

TEST(TexFiles, JpegDecodesCloseToTheImageAndGreyFilesAreL8) {
    const Bytes rgb(size_t(16) * 8 * 3, 0);
    Bytes pixels;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) pixels.insert(pixels.end(), {uint8_t(x < 8 ? 200 : 40), 100, uint8_t(x < 8 ? 30 : 220)});
    const Bytes file = writeImage(Kind::Jpg, 16, 8, 3, pixels.data());
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), UINT(file.size()), &info), D3D_OK);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);
    EXPECT_EQ(info.Format, D3DFMT_X8R8G8B8);
    Rgba8Image bytes;
    ASSERT_TRUE(decodeImageFile(file.data(), file.size(), bytes));
    const FloatImage image = bytes.toFloat();
    EXPECT_NEAR(image.at(2, 3).r, 200 / 255.0f, 0.03f);
    EXPECT_NEAR(image.at(2, 3).b, 30 / 255.0f, 0.03f);
    EXPECT_NEAR(image.at(13, 3).r, 40 / 255.0f, 0.03f);
    EXPECT_NEAR(image.at(13, 3).b, 220 / 255.0f, 0.03f);

    const Bytes grey(16, 77);
    const Bytes png = writeImage(Kind::Png, 4, 4, 1, grey.data());
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(png.data(), UINT(png.size()), &info), D3D_OK);
    EXPECT_EQ(info.Format, D3DFMT_L8);
}

TEST(TexFiles, ImplausibleOrBrokenImageFilesFailCleanly) {
    const Bytes rgba = pattern(8, 8);
    Bytes png = writeImage(Kind::Png, 8, 8, 4, rgba.data());
    D3DXIMAGE_INFO info{};
    // A header claiming 16000 x 16000 over a few bytes of data.
    Bytes huge = png;
    huge[16] = 0, huge[17] = 0, huge[18] = 0x3E, huge[19] = 0x80, huge[20] = 0, huge[21] = 0, huge[22] = 0x3E, huge[23] = 0x80;
    EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(huge.data(), UINT(huge.size()), &info), D3DXERR_INVALIDDATA);
    Rgba8Image image;
    EXPECT_FALSE(decodeImageFile(huge.data(), huge.size(), image));
    // Truncated pixel data.
    const Bytes cut(png.begin(), png.begin() + long(png.size() / 2));
    EXPECT_FALSE(decodeImageFile(cut.data(), cut.size(), image));
    Bytes bmp = writeImage(Kind::Bmp, 8, 8, 3, rgba.data());
    bmp[18] = 0x20, bmp[19] = 0x4E;  // 20000 wide
    EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(bmp.data(), UINT(bmp.size()), &info), D3DXERR_INVALIDDATA);
    // A PNG chunk longer than the file, and a JPEG Huffman table of more than 256 codes.
    Bytes longChunk(png.begin(), png.begin() + 33);
    longChunk.insert(longChunk.end(), {0x7F, 0xFF, 0xFF, 0xF0, 'I', 'D', 'A', 'T', 1, 2, 3});
    EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(longChunk.data(), UINT(longChunk.size()), &info), D3DXERR_INVALIDDATA);
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x03, 0x00};
    jpeg.resize(40, 0xFF);
    EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(jpeg.data(), UINT(jpeg.size()), &info), D3DXERR_INVALIDDATA);
    EXPECT_FALSE(decodeImageFile(jpeg.data(), jpeg.size(), image));
    const Bytes noise = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(noise.data(), UINT(noise.size()), &info), D3DXERR_INVALIDDATA);
    EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(nullptr, 10, &info), D3DERR_INVALIDCALL);
}

TEST(TexDds, InfoOf2DCubeAndVolumeFiles) {
    struct Case {
        DdsLayout layout;
        size_t payload;
        D3DRESOURCETYPE type;
        UINT depth, faces;
    };
    DdsLayout flat;
    flat.width = 8, flat.height = 4, flat.levels = 4;
    DdsLayout cube;
    cube.levels = 3, cube.caps2 = 0x200 | 0xFC00;
    DdsLayout volume;
    volume.depth = 4, volume.levels = 2, volume.caps2 = 0x200000;
    const Case cases[] = {
        {flat, size_t{32 + 8 + 2 + 1} * 4, D3DRTYPE_TEXTURE, 1, 1},
        {cube, size_t{6} * (16 + 4 + 1) * 4, D3DRTYPE_CUBETEXTURE, 1, 6},
        {volume, size_t{64 + 8} * 4, D3DRTYPE_VOLUMETEXTURE, 4, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.type));
        const Bytes file = writeDds(c.layout, Bytes(c.payload, 0x55));
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), UINT(file.size()), &info), D3D_OK);
        EXPECT_EQ(info.Width, c.layout.width);
        EXPECT_EQ(info.Height, c.layout.height);
        EXPECT_EQ(info.Depth, c.depth);
        EXPECT_EQ(info.MipLevels, c.layout.levels);
        EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
        EXPECT_EQ(info.ResourceType, c.type);
        EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
        DdsFile dds;
        ASSERT_TRUE(readDds(file.data(), file.size(), dds));
        EXPECT_EQ(dds.images.size(), size_t(c.faces) * c.layout.levels);
        EXPECT_EQ(dds.images.back().offset + dds.images.back().slicePitch * dds.images.back().depth, file.size());
        // One byte less is a truncated file.
        EXPECT_FALSE(readDds(file.data(), file.size() - 1, dds));
    }
}

TEST(TexDds, CubeFacesFollowEachOtherWithTheirChains) {
    DdsLayout cube;
    cube.width = cube.height = 2, cube.levels = 2, cube.caps2 = 0x200 | 0xFC00;
    Bytes payload;
    for (uint8_t face = 0; face < 6; ++face)
        for (int texel = 0; texel < 5; ++texel) payload.insert(payload.end(), {face, uint8_t(texel), 0, 0xFF});
    const Bytes file = writeDds(cube, payload);
    DdsFile dds;
    ASSERT_TRUE(readDds(file.data(), file.size(), dds));
    for (UINT face = 0; face < 6; ++face) {
        const DdsLevel* top = dds.find(face, 0);
        const DdsLevel* small = dds.find(face, 1);
        ASSERT_TRUE(top && small);
        EXPECT_EQ(file[top->offset], face);
        EXPECT_EQ(small->width, 1u);
        EXPECT_EQ(file[small->offset + 1], 4);  // the fifth texel of the face
    }
}

TEST(TexDds, PixelFormatsFromMasksAndCodes) {
    struct Case {
        uint32_t flags, fourCC, bits;
        std::array<uint32_t, 4> masks;
        D3DFORMAT format;
    };
    const Case cases[] = {
        {0x4, MAKEFOURCC('D', 'X', 'T', '1'), 0, {}, D3DFMT_DXT1},
        {0x4, MAKEFOURCC('D', 'X', 'T', '3'), 0, {}, D3DFMT_DXT3},
        {0x4, MAKEFOURCC('D', 'X', 'T', '5'), 0, {}, D3DFMT_DXT5},
        {0x4, 114, 0, {}, D3DFMT_R32F},
        {0x4, 113, 0, {}, D3DFMT_A16B16G16R16F},
        {0x40, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0xDEAD}, D3DFMT_X8R8G8B8},
        {0x40, 0, 24, {0xFF0000, 0xFF00, 0xFF, 0}, D3DFMT_R8G8B8},
        {0x40, 0, 16, {0xF800, 0x7E0, 0x1F, 0}, D3DFMT_R5G6B5},
        {0x20000, 0, 8, {0xFF, 0, 0, 0}, D3DFMT_L8},
        {0x20001, 0, 16, {0xFF, 0, 0, 0xFF00}, D3DFMT_A8L8},
        {0x2, 0, 8, {0x1234, 0, 0, 0xFF}, D3DFMT_A8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.format));
        DdsLayout layout;
        layout.pfFlags = c.flags, layout.fourCC = c.fourCC, layout.bits = c.bits;
        std::copy(c.masks.begin(), c.masks.end(), layout.masks);
        const Bytes file = writeDds(layout, Bytes(256, 0));
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), UINT(file.size()), &info), D3D_OK);
        EXPECT_EQ(info.Format, c.format);
    }
}

TEST(TexDds, BadHeadersFailWithoutReadingPastTheData) {
    auto base = [] {
        DdsLayout s;
        s.width = s.height = 4;
        return s;
    };
    const Bytes payload(64, 0);
    std::vector<std::pair<const char*, Bytes>> files;
    {
        Bytes f = writeDds(base(), payload);
        f[0] = 'X';
        files.push_back({"magic", f});
    }
    {
        Bytes f = writeDds(base(), payload);
        f[4] = 100;
        files.push_back({"header size", f});
    }
    {
        DdsLayout s = base();
        s.width = 0;
        files.push_back({"zero width", writeDds(s, payload)});
    }
    {
        DdsLayout s = base();
        s.width = s.height = 0x40000000;
        files.push_back({"huge size", writeDds(s, payload)});
    }
    {
        DdsLayout s = base();
        s.width = s.height = 16384;
        files.push_back({"size beyond the data", writeDds(s, payload)});
    }
    {
        DdsLayout s = base();
        s.levels = 9;
        files.push_back({"more levels than a chain", writeDds(s, Bytes(4096, 0))});
    }
    {
        DdsLayout s = base();
        s.pfFlags = 0x4, s.fourCC = MAKEFOURCC('A', 'B', 'C', 'D');
        files.push_back({"unknown code", writeDds(s, payload)});
    }
    {
        DdsLayout s = base();
        s.pfFlags = 0x4, s.fourCC = MAKEFOURCC('D', 'X', '1', '0');
        files.push_back({"extended header", writeDds(s, payload)});
    }
    {
        DdsLayout s = base();
        s.masks[0] = 0xF0F0F0;
        files.push_back({"unknown masks", writeDds(s, payload)});
    }
    {
        DdsLayout s = base();
        s.width = 8, s.caps2 = 0x200 | 0xFC00;
        files.push_back({"cube not square", writeDds(s, Bytes(4096, 0))});
    }
    {
        DdsLayout s = base();
        s.depth = 100000, s.caps2 = 0x200000;
        files.push_back({"deep volume", writeDds(s, payload)});
    }
    {
        const Bytes f = writeDds(base(), {});
        files.push_back({"header only", Bytes(f.begin(), f.begin() + 60)});
    }
    files.push_back({"pixel format size", [&] {
                         Bytes f = writeDds(base(), payload);
                         f[4 + 72] = 0;
                         return f;
                     }()});
    for (const auto& [what, file] : files) {
        D3DXIMAGE_INFO info{};
        EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), UINT(file.size()), &info), D3DXERR_INVALIDDATA) << what;
    }
}
