#pragma once
// Writes GIF files for the decoder's tests, block by block, with a plain LZW encoder.

#include <tormakelin/fxcore/GifDecoder.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace giftest {

using tormakelin::fxcore::GifColor;

inline int bitLength(int value)
{
    int bits = 0;
    while (value > 0) {
        ++bits;
        value >>= 1;
    }
    return bits;
}

// Codes packed least significant bit first.
class BitPacker {
public:
    void put(int code, int width)
    {
        m_bits |= uint32_t(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_bytes.push_back(uint8_t(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    std::vector<uint8_t> finish()
    {
        if (m_count > 0)
            m_bytes.push_back(uint8_t(m_bits & 0xFF));
        m_bits = 0;
        m_count = 0;
        return std::move(m_bytes);
    }

private:
    std::vector<uint8_t> m_bytes;
    uint32_t m_bits = 0;
    int m_count = 0;
};

// The code stream of the indices, clear code first, a fresh table whenever it fills up.
inline std::vector<uint8_t> lzwEncode(const std::vector<uint8_t>& indices, int minimumSize, bool endCode = true)
{
    int const clear = 1 << minimumSize;
    int next = clear + 2;
    std::map<std::pair<int, int>, int> table;
    BitPacker out;
    auto width = [&] {
        int const w = bitLength(next - 1);
        return w < minimumSize + 1 ? minimumSize + 1 : (w > 12 ? 12 : w);
    };
    out.put(clear, width());
    if (!indices.empty()) {
        int current = indices[0];
        for (size_t i = 1; i < indices.size(); ++i) {
            int const pixel = indices[i];
            auto found = table.find({current, pixel});
            if (found != table.end()) {
                current = found->second;
                continue;
            }
            out.put(current, width());
            table[{current, pixel}] = next++;
            if (next == 4096) {
                out.put(clear, width());
                table.clear();
                next = clear + 2;
            }
            current = pixel;
        }
        out.put(current, width());
    }
    if (endCode)
        out.put(clear + 1, width());
    return out.finish();
}

// The densest code stream of `count` pixels of index 0: each code names the previous string one
// pixel longer, so a few kilobytes stand for millions of pixels.
inline std::vector<uint8_t> lzwRuns(int64_t count, int minimumSize = 2)
{
    int const clear = 1 << minimumSize;
    BitPacker out;
    int64_t produced = 0;
    int width = minimumSize + 1;
    while (produced < count) {
        out.put(clear, width);
        width = minimumSize + 1;
        out.put(0, width);
        produced += 1;
        // With code size 1 the starting table already fills the first width.
        if (clear + 2 >= (1 << width))
            ++width;
        for (int next = clear + 2, length = 2; next < 4096 && produced < count; ++next, ++length) {
            out.put(next, width);
            produced += length;
            if (next + 1 >= (1 << width) && width < 12)
                ++width;
        }
    }
    out.put(clear + 1, width);
    return out.finish();
}

// Rows in display order to the order an interlaced image stores them.
inline std::vector<uint8_t> interlaceRows(const std::vector<uint8_t>& indices, int width, int height)
{
    std::vector<uint8_t> out;
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int row = kStart[pass]; row < height; row += kStep[pass])
            out.insert(out.end(), indices.begin() + row * width, indices.begin() + (row + 1) * width);
    return out;
}

struct Image {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> indices;  // display order
    std::vector<GifColor> localColors;  // a power of two from 2 to 256 entries, or none
    bool interlaced = false;
    int minimumSize = 8;
    int subBlockSize = 255;
};

class GifWriter {
public:
    explicit GifWriter(const std::string& signature = "GIF89a") { raw(signature); }

    GifWriter& screen(int width, int height, const std::vector<GifColor>& colors = {}, int background = 0)
    {
        u16(width);
        u16(height);
        byte(colors.empty() ? 0 : 0x80 | tableBits(colors));
        byte(background);
        byte(0);
        table(colors);
        return *this;
    }
    GifWriter& control(int disposal, int delay, int transparent = -1)
    {
        raw({0x21, 0xF9, 4});
        byte((disposal & 7) << 2 | (transparent >= 0 ? 1 : 0));
        u16(delay);
        byte(transparent >= 0 ? transparent : 0);
        byte(0);
        return *this;
    }
    GifWriter& netscape(int subId, int loops)
    {
        raw({0x21, 0xFF, 11});
        raw("NETSCAPE2.0");
        raw({3, uint8_t(subId)});
        u16(loops);
        byte(0);
        return *this;
    }
    // Any extension, its data in sub-blocks of up to 255 bytes.
    GifWriter& extension(int label, const std::string& data)
    {
        byte(0x21);
        byte(label);
        subBlocks(std::vector<uint8_t>(data.begin(), data.end()), 255);
        return *this;
    }
    GifWriter& image(const Image& image)
    {
        imageHeader(image);
        std::vector<uint8_t> const rows =
            image.interlaced ? interlaceRows(image.indices, image.width, image.height) : image.indices;
        return lzw(image.minimumSize, lzwEncode(rows, image.minimumSize), image.subBlockSize);
    }
    GifWriter& imageHeader(const Image& image)
    {
        byte(0x2C);
        u16(image.left);
        u16(image.top);
        u16(image.width);
        u16(image.height);
        int packed = image.interlaced ? 0x40 : 0;
        if (!image.localColors.empty())
            packed |= 0x80 | tableBits(image.localColors);
        byte(packed);
        table(image.localColors);
        return *this;
    }
    // The minimum code size and the code bytes in sub-blocks, then the zero block.
    GifWriter& lzw(int minimumSize, const std::vector<uint8_t>& codes, int subBlockSize = 255)
    {
        byte(minimumSize);
        subBlocks(codes, subBlockSize);
        return *this;
    }
    GifWriter& trailer() { return byte(0x3B); }

    GifWriter& byte(int value)
    {
        m_bytes.push_back(uint8_t(value));
        return *this;
    }
    GifWriter& u16(int value) { return byte(value & 0xFF).byte((value >> 8) & 0xFF); }
    GifWriter& raw(const std::string& text)
    {
        // Byte by byte: g++ 12 warns falsely about a range insert into an empty vector.
        for (char c : text)
            m_bytes.push_back(uint8_t(c));
        return *this;
    }
    GifWriter& raw(std::initializer_list<uint8_t> bytes)
    {
        m_bytes.insert(m_bytes.end(), bytes);
        return *this;
    }

    const std::vector<uint8_t>& bytes() const { return m_bytes; }

private:
    static int tableBits(const std::vector<GifColor>& colors)
    {
        int bits = 0;
        while ((2 << bits) < int(colors.size()))
            ++bits;
        return bits;
    }
    void table(const std::vector<GifColor>& colors)
    {
        if (colors.empty())
            return;
        size_t const count = size_t(2) << tableBits(colors);
        for (size_t i = 0; i < count; ++i) {
            GifColor const c = i < colors.size() ? colors[i] : GifColor{};
            raw({c.red, c.green, c.blue});
        }
    }
    void subBlocks(const std::vector<uint8_t>& data, int size)
    {
        for (size_t at = 0; at < data.size(); at += size_t(size)) {
            size_t const n = std::min(data.size() - at, size_t(size));
            byte(int(n));
            m_bytes.insert(m_bytes.end(), data.begin() + long(at), data.begin() + long(at + n));
        }
        byte(0);
    }

    std::vector<uint8_t> m_bytes;
};

}  // namespace giftest
