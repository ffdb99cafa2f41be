#include <tormakelin/fxcore/GifDecoder.h>

#include <tormakelin/core/Stream.h>

#include <algorithm>
#include <cstring>

namespace tormakelin::fxcore {

namespace {

// The whole rest of the stream, read in pieces so a stream that misstates its size still works.
std::vector<uint8_t> readAll(core::IStream* stream)
{
    std::vector<uint8_t> data;
    uint8_t piece[65536];
    for (;;) {
        unsigned int const got = stream->read(piece, sizeof(piece));
        if (got == 0 || got > sizeof(piece))
            break;
        data.insert(data.end(), piece, piece + got);
    }
    return data;
}

// Little-endian reads over the file's bytes; reading past the end sets `failed` and yields 0.
class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& data) : m_data(data) {}

    int byte()
    {
        if (m_position >= m_data.size()) {
            m_failed = true;
            return 0;
        }
        return m_data[m_position++];
    }
    int u16()
    {
        int const low = byte();
        return low | (byte() << 8);
    }
    void skip(size_t count)
    {
        if (count > m_data.size() - m_position) {
            m_failed = true;
            m_position = m_data.size();
        } else {
            m_position += count;
        }
    }
    bool atEnd() const { return m_position >= m_data.size(); }
    bool failed() const { return m_failed; }

private:
    const std::vector<uint8_t>& m_data;
    size_t m_position = 0;
    bool m_failed = false;
};

void readColorTable(Reader& reader, int flags, GifColorTable& table)
{
    table.count = 1 << ((flags & 7) + 1);
    for (int i = 0; i < table.count; ++i) {
        table.entries[i].red = uint8_t(reader.byte());
        table.entries[i].green = uint8_t(reader.byte());
        table.entries[i].blue = uint8_t(reader.byte());
    }
}

// Sub-blocks up to and including the zero-size one, the first size byte already read.
void skipSubBlocks(Reader& reader, int size)
{
    while (size != 0 && !reader.failed()) {
        reader.skip(size_t(size));
        size = reader.byte();
    }
}

// Codes of variable width, least significant bit first, across the data sub-blocks.
class CodeReader {
public:
    explicit CodeReader(Reader& reader) : m_reader(reader) {}

    bool next(int width, int& code)
    {
        while (m_bitCount < width) {
            if (m_blockLeft == 0) {
                if (m_dataEnded)
                    return false;
                m_blockLeft = m_reader.byte();
                if (m_reader.failed() || m_blockLeft == 0) {
                    m_dataEnded = true;
                    return false;
                }
            }
            m_bits |= uint32_t(m_reader.byte()) << m_bitCount;
            m_bitCount += 8;
            --m_blockLeft;
            if (m_reader.failed())
                return false;
        }
        code = int(m_bits & ((1u << width) - 1));
        m_bits >>= width;
        m_bitCount -= width;
        return true;
    }

    // What follows the end code in the image's data is not read as blocks.
    void skipRest()
    {
        if (m_dataEnded)
            return;
        m_reader.skip(size_t(m_blockLeft));
        skipSubBlocks(m_reader, m_reader.byte());
    }

private:
    Reader& m_reader;
    uint32_t m_bits = 0;
    int m_bitCount = 0;
    int m_blockLeft = 0;
    bool m_dataEnded = false;
};

constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeWidth = 12;

class LzwTable {
public:
    explicit LzwTable(int minimumSize) : m_clear(1 << minimumSize), m_minimumSize(minimumSize)
    {
        for (int i = 0; i < m_clear; ++i) {
            m_prefix[i] = -1;
            m_last[i] = uint16_t(i);
            m_first[i] = uint16_t(i);
        }
        reset();
    }

    void reset()
    {
        m_width = m_minimumSize + 1;
        m_next = m_clear + 2;
    }
    int clearCode() const { return m_clear; }
    int endCode() const { return m_clear + 1; }
    int width() const { return m_width; }
    int nextFree() const { return m_next; }
    bool isLiteral(int code) const { return code < m_clear; }
    uint16_t first(int code) const { return m_first[code]; }

    void add(int prefix, uint16_t pixel)
    {
        if (m_next >= kMaxCodes)
            return;
        m_prefix[m_next] = int16_t(prefix);
        m_last[m_next] = pixel;
        m_first[m_next] = m_first[prefix];
        ++m_next;
    }

    // After every code, the first after a clear too: the next code may be the next free one, so
    // the width must hold it (with code size 1 the starting table already fills two bits).
    void widen()
    {
        if (m_next >= (1 << m_width) && m_width < kMaxCodeWidth)
            ++m_width;
    }

    // Appends the code's string, dropping what falls beyond `count`.
    void emit(int code, std::vector<uint32_t>& pixels, size_t count) const
    {
        uint16_t string[kMaxCodes];
        int length = 0;
        for (int c = code; c >= 0 && length < kMaxCodes; c = m_prefix[c])
            string[length++] = m_last[c];
        while (length > 0 && pixels.size() < count)
            pixels.push_back(string[--length]);
    }

private:
    int const m_clear;
    int const m_minimumSize;
    int m_width = 0;
    int m_next = 0;
    int16_t m_prefix[kMaxCodes];
    uint16_t m_last[kMaxCodes];
    uint16_t m_first[kMaxCodes];
};

// The pixels grow with the data, so a frame claims memory only for what its codes produce.
bool decodeLzw(Reader& reader, std::vector<uint32_t>& pixels, size_t count)
{
    int const minimumSize = reader.byte();
    // At 0 the end code does not fit the first width; from 12 on the first strings fill the table.
    if (reader.failed() || minimumSize < 1 || minimumSize >= kMaxCodeWidth)
        return false;
    LzwTable table(minimumSize);
    CodeReader codes(reader);
    pixels.reserve(std::min(count, size_t(1) << 16));
    int previous = -1;
    for (;;) {
        int code = 0;
        if (!codes.next(table.width(), code))
            return false;
        if (code == table.clearCode()) {
            table.reset();
            previous = -1;
            continue;
        }
        if (code == table.endCode()) {
            codes.skipRest();
            return true;
        }
        if (previous < 0) {
            if (!table.isLiteral(code))
                return false;
        } else if (code < table.nextFree()) {
            table.add(previous, table.first(code));
        } else if (code == table.nextFree()) {
            table.add(previous, table.first(previous));
        } else {
            return false;
        }
        table.emit(code, pixels, count);
        table.widen();
        previous = code;
    }
}

// Rows come in the order 0, 8, 16.. then 4, 12.. then 2, 6.. then 1, 3..
void deinterlace(GifFrame& frame)
{
    if (frame.pixels.empty())
        return;
    std::vector<uint32_t> ordered(frame.pixels.size());
    size_t const width = size_t(frame.width);
    int source = 0;
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int row = kStart[pass]; row < frame.height; row += kStep[pass], ++source)
            std::memcpy(&ordered[size_t(row) * width], &frame.pixels[size_t(source) * width], width * sizeof(uint32_t));
    }
    frame.pixels.swap(ordered);
}

void convertColors(GifImage& image)
{
    for (GifFrame& frame : image.frames) {
        const GifColorTable& table = frame.localColors.count > 0 ? frame.localColors : image.globalColors;
        for (uint32_t& pixel : frame.pixels) {
            uint32_t const index = pixel;
            GifColor color;
            if (index < uint32_t(table.count))
                color = table.entries[index];
            uint32_t const alpha = int64_t(index) == frame.transparentIndex ? 0u : 255u;
            pixel = alpha << 24 | uint32_t(color.red) << 16 | uint32_t(color.green) << 8 | color.blue;
        }
    }
}

class Parser {
public:
    Parser(const std::vector<uint8_t>& data, GifImage& image) : m_reader(data), m_image(image) {}

    const char* error() const { return m_error; }

    bool run()
    {
        if (!readHeader())
            return false;
        GifFrame pending;
        for (;;) {
            if (m_reader.atEnd())
                return false;
            int const introducer = m_reader.byte();
            bool ok = true;
            if (introducer == 0x21) {
                ok = readExtension(pending);
            } else if (introducer == 0x2C) {
                ok = readImage(pending);
                pending = GifFrame{};
            } else if (introducer == 0x3B) {
                convertColors(m_image);
                return true;
            }
            if (!ok || m_reader.failed())
                return false;
        }
    }

private:
    bool readHeader()
    {
        static constexpr char kStart[] = "GIF8";
        for (int i = 0; i < 4; ++i)
            if (m_reader.byte() != kStart[i])
                return false;
        int const version = m_reader.byte();
        if (version != '7' && version != '9')
            return false;
        if (m_reader.byte() != 'a')
            return false;
        m_image.width = m_reader.u16();
        m_image.height = m_reader.u16();
        int const flags = m_reader.byte();
        m_image.backgroundIndex = m_reader.byte();
        m_reader.byte();
        if (flags & 0x80)
            readColorTable(m_reader, flags, m_image.globalColors);
        return !m_reader.failed();
    }

    bool readExtension(GifFrame& pending)
    {
        int const label = m_reader.byte();
        int size = m_reader.byte();
        if (label == 0xF9) {
            if (size != 4)
                return false;
            int const packed = m_reader.byte();
            pending.disposal = (packed >> 2) & 7;
            pending.delay = m_reader.u16();
            int const transparent = m_reader.byte();
            pending.transparentIndex = (packed & 1) ? transparent : -1;
            size = m_reader.byte();
        } else if (label == 0xFF && size == 11) {
            char application[11];
            for (char& c : application)
                c = char(m_reader.byte());
            size = m_reader.byte();
            if (std::memcmp(application, "NETSCAPE2.0", 11) == 0 && size == 3) {
                int const subId = m_reader.byte();
                int const loops = m_reader.u16();
                m_image.loopCount = subId == 1 ? loops : 0;
                size = m_reader.byte();
            }
        }
        skipSubBlocks(m_reader, size);
        return true;
    }

    bool readImage(GifFrame& frame)
    {
        frame.left = m_reader.u16();
        frame.top = m_reader.u16();
        frame.width = m_reader.u16();
        frame.height = m_reader.u16();
        int const packed = m_reader.byte();
        if (packed & 0x80)
            readColorTable(m_reader, packed, frame.localColors);
        int64_t const count = int64_t(frame.width) * frame.height;
        if (m_reader.failed())
            return false;
        if (count > GifDecoder::kMaxFramePixels) {
            m_error = "a frame is larger than 4096 x 4096 pixels";
            return false;
        }
        if (m_total + count > GifDecoder::kMaxTotalPixels) {
            m_error = "the frames together hold more pixels than two of 4096 x 4096";
            return false;
        }
        m_total += count;
        if (!decodeLzw(m_reader, frame.pixels, size_t(count)) || !fillMissing(frame.pixels, size_t(count)))
            return false;
        if (packed & 0x40)
            deinterlace(frame);
        m_image.frames.push_back(std::move(frame));
        return true;
    }

    // Data that end early leave the rest of the frame at index 0. Those pixels cost memory without
    // costing bytes of the file, so all frames together get only a bounded number of them.
    bool fillMissing(std::vector<uint32_t>& pixels, size_t count)
    {
        int64_t const missing = int64_t(count - pixels.size());
        if (m_missing + missing > GifDecoder::kMaxMissingPixels) {
            m_error = "the frames lack the data of too many pixels";
            return false;
        }
        m_missing += missing;
        pixels.resize(count, 0);
        return true;
    }

    Reader m_reader;
    GifImage& m_image;
    int64_t m_missing = 0;
    int64_t m_total = 0;
    const char* m_error = "not a readable GIF file";
};

} // namespace

bool GifDecoder::decode(core::IStream* stream)
{
    m_image = GifImage{};
    m_error.clear();
    if (!stream) {
        m_error = "no file";
        return false;
    }
    std::vector<uint8_t> const data = readAll(stream);
    Parser parser(data, m_image);
    if (!parser.run()) {
        m_image = GifImage{};
        m_error = parser.error();
        return false;
    }
    return true;
}

} // namespace tormakelin::fxcore
