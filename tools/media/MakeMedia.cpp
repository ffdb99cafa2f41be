// Writes the sample project's media into a folder: images, a sprite atlas, an animated GIF, the
// music (Ogg Vorbis) and a copy of a font, so that nothing binary needs to be kept in the sources.
// Usage: Tormakelin.MakeMedia <folder> <font file>

#include "GifWriter.h"
#include "Music.h"

#include <sndfile.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr double kPi = 3.14159265358979323846;

struct Image {
    int width;
    int height;
    std::vector<uint8_t> rgba;

    Image(int w, int h) : width(w), height(h), rgba(size_t(w) * size_t(h) * 4, 0) {}
    void set(int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
    {
        uint8_t* p = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
        p[0] = r, p[1] = g, p[2] = b, p[3] = a;
    }
};

bool writePng(fs::path const& path, Image const& image)
{
    return stbi_write_png(path.string().c_str(), image.width, image.height, 4, image.rgba.data(), image.width * 4) != 0;
}

// A colour ramp behind a bright ring: easy to recognise on screen and in read-backs.
Image logo()
{
    Image image(256, 128);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            double const dx = x - 128.0, dy = y - 64.0;
            double const ring = std::fabs(std::sqrt(dx * dx + dy * dy) - 44.0);
            if (ring < 8.0)
                image.set(x, y, 255, 230, 120, 255);
            else
                image.set(x, y, uint8_t(x), uint8_t(y * 2), uint8_t(255 - x), 255);
        }
    return image;
}

// A soft white spot fading to black and transparent at its rim: particles and flares add it.
Image spot()
{
    Image image(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            double const dx = (x - 31.5) / 32.0, dy = (y - 31.5) / 32.0;
            double const falloff = std::max(0.0, 1.0 - std::sqrt(dx * dx + dy * dy));
            uint8_t const level = uint8_t(std::lround(255.0 * falloff * falloff));
            image.set(x, y, level, level, level, level);
        }
    return image;
}

// Two 64 x 64 sprites side by side: a disc and a framed square, on transparency.
Image sprites()
{
    Image image(128, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            double const dx = x - 31.5, dy = y - 31.5;
            if (dx * dx + dy * dy < 28.0 * 28.0)
                image.set(x, y, 80, 200, 255, 255);
            bool const frame = x < 6 || y < 6 || x >= 58 || y >= 58;
            image.set(64 + x, y, frame ? 255 : 200, frame ? 120 : 60, 60, frame ? 255 : 160);
        }
    return image;
}

std::string atlasText()
{
    return "<?xml version=\"1.0\"?>\n"
           "<Tormakelin.TextureAtlas Width=\"128\" Height=\"64\" Border=\"0\" TextureFilename=\"media\\images\\sprites.png\">\n"
           "  <Texture Id=\"Sprites/Disc\" Rect=\"0,0,64,64\"/>\n"
           "  <Texture Id=\"Sprites/Square\" Rect=\"64,0,64,64\"/>\n"
           "</Tormakelin.TextureAtlas>\n";
}

// Eight frames of a dot going round, a tenth of a second each, looping.
std::vector<uint8_t> spinner()
{
    int const size = 32;
    std::vector<tormakelin::fxcore::GifColor> const colors = {{0, 0, 0}, {255, 255, 255}, {255, 90, 40}, {40, 40, 60}};
    giftest::GifWriter gif;
    gif.screen(size, size, colors).netscape(1, 0);
    for (int frame = 0; frame < 8; ++frame) {
        double const angle = frame * kPi / 4.0;
        double const cx = 15.5 + 10.0 * std::cos(angle), cy = 15.5 + 10.0 * std::sin(angle);
        giftest::Image image;
        image.width = size;
        image.height = size;
        image.minimumSize = 2;
        image.indices.resize(size_t(size) * size_t(size));
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                double const dx = x - cx, dy = y - cy;
                double const rx = x - 15.5, ry = y - 15.5;
                double const radius = std::sqrt(rx * rx + ry * ry);
                uint8_t index = 0;
                if (dx * dx + dy * dy < 20.0)
                    index = 2;
                else if (radius > 9.0 && radius < 12.0)
                    index = 3;
                else if (radius < 2.0)
                    index = 1;
                image.indices[size_t(y) * size_t(size) + size_t(x)] = index;
            }
        gif.control(0, 10, 0).image(image);
    }
    gif.trailer();
    return gif.bytes();
}

// The theme, stereo at 44.1 kHz.
bool writeMusic(fs::path const& path)
{
    SF_INFO info{};
    info.samplerate = tormakelin::media::kMusicRate;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open(path.string().c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    std::vector<float> const samples = tormakelin::media::renderMusic();
    // In blocks: the Vorbis encoder crashes on one very large write.
    sf_count_t const frames = sf_count_t(samples.size() / 2);
    sf_count_t const block = 4096;
    bool written = true;
    for (sf_count_t at = 0; written && at < frames; at += block) {
        sf_count_t const count = std::min(block, frames - at);
        written = sf_writef_float(file, samples.data() + at * 2, count) == count;
    }
    return sf_close(file) == 0 && written;
}

bool writeBytes(fs::path const& path, std::vector<uint8_t> const& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<char const*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

bool writeText(fs::path const& path, std::string const& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> <font file>\n", argv[0]);
        return 2;
    }
    fs::path const media = fs::path(argv[1]) / "media";
    std::error_code error;
    for (char const* folder : {"images", "anim", "music", "fonts"})
        fs::create_directories(media / folder, error);
    struct Step {
        char const* what;
        bool done;
    };
    Step const steps[] = {
        {"images/logo.png", writePng(media / "images" / "logo.png", logo())},
        {"images/spot.png", writePng(media / "images" / "spot.png", spot())},
        {"images/sprites.png", writePng(media / "images" / "sprites.png", sprites())},
        {"images/sprites.atl", writeText(media / "images" / "sprites.atl", atlasText())},
        {"anim/spinner.gif", writeBytes(media / "anim" / "spinner.gif", spinner())},
        {"music/theme.ogg", writeMusic(media / "music" / "theme.ogg")},
        {"fonts/DejaVuSans.ttf",
            fs::copy_file(argv[2], media / "fonts" / "DejaVuSans.ttf", fs::copy_options::overwrite_existing, error)},
    };
    int failed = 0;
    for (Step const& step : steps)
        if (!step.done) {
            std::fprintf(stderr, "MakeMedia: could not write %s\n", step.what);
            ++failed;
        }
    return failed == 0 ? 0 : 1;
}
