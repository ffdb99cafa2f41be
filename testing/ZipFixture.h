#pragma once
// Hand-made ZIP archives with stored entries, so tests can shape names, offsets, comments and
// damage exactly.

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tormakelin::core::test {

inline uint32_t crc32Of(const std::string& data)
{
    return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
}

struct ZipEntry {
    std::string name;
    std::string data;
    bool badCrc = false;
    // Sizes written in the headers when set; the real data is shorter for a truncated entry.
    int64_t declaredSize = -1;
    // A deflated entry: `data` is the raw deflate stream of `inflatedSize` bytes whose CRC is
    // `inflatedCrc`; `declaredSize` then sets the compressed size written.
    bool deflated = false;
    int64_t inflatedSize = 0;
    uint32_t inflatedCrc = 0;
};

// The deflate stream of `size` zero bytes, compressed piece by piece so the test never holds them:
// raw for a ZIP entry (`windowBits` -15), zlib-wrapped (15) for an image file. `crc` gets their CRC.
inline std::string deflatedZeros(uint64_t size, int windowBits, uint32_t* crc = nullptr)
{
    std::string data;
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return data;
    std::vector<unsigned char> in(1 << 20, 0);
    std::vector<unsigned char> out(1 << 16);
    uLong sum = crc32(0, nullptr, 0);
    for (uint64_t left = size;;) {
        const uInt piece = uInt(left < in.size() ? left : in.size());
        sum = crc32(sum, in.data(), piece);
        left -= piece;
        z.next_in = in.data();
        z.avail_in = piece;
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        int result = Z_OK;
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            result = deflate(&z, flush);
            data.append(reinterpret_cast<char*>(out.data()), out.size() - z.avail_out);
        } while (z.avail_out == 0);
        if (result == Z_STREAM_END)
            break;
    }
    deflateEnd(&z);
    if (crc)
        *crc = uint32_t(sum);
    return data;
}

// A deflated entry of `size` zero bytes.
inline ZipEntry zeros(const std::string& name, uint64_t size)
{
    ZipEntry entry{name, ""};
    entry.deflated = true;
    entry.inflatedSize = int64_t(size);
    entry.data = deflatedZeros(size, -15, &entry.inflatedCrc);
    return entry;
}

class ZipFixture {
public:
    // `offsetBase` is added to every stored offset: the length of a program the archive will
    // follow for absolute offsets, 0 for offsets relative to the archive.
    static std::string build(const std::vector<ZipEntry>& entries, uint32_t offsetBase = 0,
                             const std::string& comment = "")
    {
        std::string out, central;
        for (const ZipEntry& entry : entries) {
            const uint32_t crc = (entry.deflated ? entry.inflatedCrc : crc32Of(entry.data)) ^ (entry.badCrc ? 0x1u : 0u);
            const uint32_t localOffset = uint32_t(out.size()) + offsetBase;
            put32(out, 0x04034b50);
            putHeaderCore(out, crc, entry);
            put16(out, 0); // extra
            out += entry.name;
            out += entry.data;

            put32(central, 0x02014b50);
            put16(central, 20); // made by
            putHeaderCore(central, crc, entry);
            put16(central, 0); // extra
            put16(central, 0); // comment
            put16(central, 0); // disk
            put16(central, 0); // internal attributes
            put32(central, 0); // external attributes
            put32(central, localOffset);
            central += entry.name;
        }
        const uint32_t centralOffset = uint32_t(out.size()) + offsetBase;
        out += central;
        put32(out, 0x06054b50);
        put16(out, 0);
        put16(out, 0);
        put16(out, uint16_t(entries.size()));
        put16(out, uint16_t(entries.size()));
        put32(out, uint32_t(central.size()));
        put32(out, centralOffset);
        put16(out, uint16_t(comment.size()));
        out += comment;
        return out;
    }

private:
    static void put16(std::string& out, uint16_t v)
    {
        out += char(v & 0xFF);
        out += char(v >> 8);
    }
    static void put32(std::string& out, uint32_t v)
    {
        put16(out, uint16_t(v & 0xFFFF));
        put16(out, uint16_t(v >> 16));
    }
    static void putHeaderCore(std::string& out, uint32_t crc, const ZipEntry& entry)
    {
        put16(out, 20);     // version needed
        put16(out, 0);      // flags
        put16(out, entry.deflated ? 8 : 0);
        put16(out, 0);      // time
        put16(out, 0x21);   // date: 1980-01-01
        put32(out, crc);
        const uint32_t size = entry.declaredSize >= 0 ? uint32_t(entry.declaredSize) : uint32_t(entry.data.size());
        put32(out, size);
        put32(out, entry.deflated ? uint32_t(entry.inflatedSize) : size);
        put16(out, uint16_t(entry.name.size()));
    }
};

} // namespace tormakelin::core::test
