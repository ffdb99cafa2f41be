#pragma once
// Decodes a GIF87a or GIF89a file into its frames with 32-bit A8R8G8B8 colours, delays, disposal
// codes and offsets. Nothing is composited: each frame keeps its own size and offset.

#include <tormakelin/fxcore/Export.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tormakelin::core {
class IStream;
}

namespace tormakelin::fxcore {

struct GifColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

struct GifColorTable {
    int count = 0;  // 0: no table
    std::array<GifColor, 256> entries{};
};

struct GifFrame {
    int width = 0;
    int height = 0;
    // Row by row, top row first: colour indices while decoding, A8R8G8B8 colours after.
    std::vector<uint32_t> pixels;
    GifColorTable localColors;
    int left = 0;
    int top = 0;
    int delay = 0;  // 1/100 s; 0 without a graphic control extension
    int disposal = 0;
    int transparentIndex = -1;  // -1: none
};

struct GifImage {
    int width = 0;
    int height = 0;
    int backgroundIndex = 0;
    int loopCount = 0;  // 0: forever, or not given
    GifColorTable globalColors;
    std::vector<GifFrame> frames;
};

class TORMAKELIN_FXCORE_API GifDecoder {
public:
    // The largest frame accepted (the largest texture it could become), and how many pixels all
    // frames together may leave undecoded: a small file cannot make the decoder allocate much.
    static constexpr int64_t kMaxFramePixels = 4096 * 4096;
    static constexpr int64_t kMaxMissingPixels = 4096 * 4096;
    // All frames of one file together: LZW lets a few bytes stand for thousands of pixels.
    static constexpr int64_t kMaxTotalPixels = 2 * kMaxFramePixels;

    // Reads from the stream's current position. False, with nothing kept, on a bad signature, a
    // graphic control extension of the wrong size, LZW data that are bad or lack an end code, a
    // frame or a file beyond the limits above, or a missing trailer.
    bool decode(core::IStream* stream);
    const GifImage& getImage() const { return m_image; }
    // Why the last decode failed, in words for the log; empty after a success.
    const std::string& getError() const { return m_error; }
    void clear() { m_image = GifImage{}; }

private:
    GifImage m_image;
    std::string m_error;
};

} // namespace tormakelin::fxcore
