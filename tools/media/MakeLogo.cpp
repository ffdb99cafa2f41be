// Draws the sample project's logo: a ring with a bar through it on a transparent ground, as an
// uncompressed 32-bit TGA.
// Usage: Tormakelin.MakeLogo <output.tga>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSize = 128;

// Coverage of a pixel by a band between two radii, with one pixel of soft edge.
float band(float distance, float inner, float outer)
{
    return std::clamp(std::min(distance - inner, outer - distance) + 0.5f, 0.0f, 1.0f);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: Tormakelin.MakeLogo <output.tga>\n");
        return 1;
    }
    std::vector<uint8_t> pixels(size_t(kSize) * kSize * 4);
    float const centre = (kSize - 1) * 0.5f;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            float const dx = float(x) - centre;
            float const dy = float(y) - centre;
            float const ring = band(std::sqrt(dx * dx + dy * dy), 40.0f, 58.0f);
            float const across = band(std::fabs(dx - dy) * 0.70710678f, -1.0f, 9.0f);
            float const bar = across * band(std::fabs(dx + dy), -1.0f, 110.0f);
            float const alpha = std::max(ring, bar);
            float const warm = float(y) / float(kSize - 1);
            uint8_t* p = &pixels[(size_t(y) * kSize + size_t(x)) * 4];
            // Blue, green, red, alpha.
            p[0] = uint8_t(255.0f * (1.0f - 0.7f * warm));
            p[1] = uint8_t(255.0f * (0.55f + 0.35f * warm));
            p[2] = uint8_t(255.0f * (0.35f + 0.65f * warm));
            p[3] = uint8_t(255.0f * alpha);
        }
    }
    // Type 2 (true colour), 32 bits, 8 alpha bits, rows from the top.
    uint8_t const header[18] = {
        0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, kSize & 0xFF, kSize >> 8, kSize & 0xFF, kSize >> 8, 32, 0x28};
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::fprintf(stderr, "Tormakelin.MakeLogo: cannot write %s\n", argv[1]);
        return 1;
    }
    bool const written = std::fwrite(header, sizeof(header), 1, file) == 1 &&
        std::fwrite(pixels.data(), pixels.size(), 1, file) == 1;
    return std::fclose(file) == 0 && written ? 0 : 1;
}
