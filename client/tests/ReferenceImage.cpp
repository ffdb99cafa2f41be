#include "ReferenceImage.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace tormakelin::client::test {

namespace {

int channel(uint32_t pixel, int shift)
{
    return int((pixel >> shift) & 0xFF);
}

} // namespace

Frame downscale(Frame const& frame, unsigned width, unsigned height)
{
    Frame small;
    small.time = frame.time;
    small.width = width;
    small.height = height;
    small.pixels.resize(size_t(width) * height);
    for (unsigned y = 0; y < height; ++y) {
        unsigned const top = unsigned(uint64_t(y) * frame.height / height);
        unsigned const bottom = std::max(top + 1, unsigned(uint64_t(y + 1) * frame.height / height));
        for (unsigned x = 0; x < width; ++x) {
            unsigned const left = unsigned(uint64_t(x) * frame.width / width);
            unsigned const right = std::max(left + 1, unsigned(uint64_t(x + 1) * frame.width / width));
            uint64_t sum[3] = {};
            for (unsigned sy = top; sy < bottom; ++sy)
                for (unsigned sx = left; sx < right; ++sx) {
                    uint32_t const pixel = frame.pixels[size_t(sy) * frame.width + sx];
                    sum[0] += channel(pixel, 16);
                    sum[1] += channel(pixel, 8);
                    sum[2] += channel(pixel, 0);
                }
            uint64_t const count = uint64_t(bottom - top) * (right - left);
            auto mean = [&](int c) { return uint32_t((sum[c] + count / 2) / count); };
            small.pixels[size_t(y) * width + x] = 0xFF000000u | (mean(0) << 16) | (mean(1) << 8) | mean(2);
        }
    }
    return small;
}

bool savePng(std::filesystem::path const& path, Frame const& frame)
{
    std::vector<uint8_t> rgb(frame.pixels.size() * 3);
    for (size_t i = 0; i < frame.pixels.size(); ++i) {
        rgb[i * 3 + 0] = uint8_t(channel(frame.pixels[i], 16));
        rgb[i * 3 + 1] = uint8_t(channel(frame.pixels[i], 8));
        rgb[i * 3 + 2] = uint8_t(channel(frame.pixels[i], 0));
    }
    return stbi_write_png(path.string().c_str(), int(frame.width), int(frame.height), 3, rgb.data(),
               int(frame.width) * 3) != 0;
}

bool loadPng(std::filesystem::path const& path, Frame& frame)
{
    int width = 0, height = 0, components = 0;
    stbi_uc* rgb = stbi_load(path.string().c_str(), &width, &height, &components, 3);
    if (!rgb)
        return false;
    frame.width = unsigned(width);
    frame.height = unsigned(height);
    frame.pixels.resize(size_t(width) * size_t(height));
    for (size_t i = 0; i < frame.pixels.size(); ++i)
        frame.pixels[i] = 0xFF000000u | (uint32_t(rgb[i * 3]) << 16) | (uint32_t(rgb[i * 3 + 1]) << 8) | rgb[i * 3 + 2];
    stbi_image_free(rgb);
    return true;
}

ImageDifference compareImages(Frame const& frame, Frame const& reference, int tolerance)
{
    ImageDifference difference;
    difference.picture.width = frame.width;
    difference.picture.height = frame.height;
    difference.picture.pixels.assign(frame.pixels.size(), 0xFFFF0000u);
    if (frame.width != reference.width || frame.height != reference.height ||
        frame.pixels.size() != reference.pixels.size()) {
        difference.pixelsOver = std::max<size_t>(frame.pixels.size(), 1);
        difference.largest = 255;
        return difference;
    }
    for (size_t i = 0; i < frame.pixels.size(); ++i) {
        int largest = 0;
        for (int shift : {16, 8, 0})
            largest = std::max(largest, std::abs(channel(frame.pixels[i], shift) - channel(reference.pixels[i], shift)));
        difference.largest = std::max(difference.largest, largest);
        if (largest > tolerance) {
            ++difference.pixelsOver;
            continue;
        }
        uint32_t const grey = uint32_t(std::min(255, largest * 16));
        difference.picture.pixels[i] = 0xFF000000u | (grey << 16) | (grey << 8) | grey;
    }
    return difference;
}

std::string checkAgainstReference(Frame const& frame, std::filesystem::path const& reference, int tolerance,
    std::filesystem::path const& failures)
{
    Frame expected;
    bool const loaded = loadPng(reference, expected);
    ImageDifference const difference = compareImages(frame, expected, tolerance);
    std::string const stem = reference.stem().string();
    std::filesystem::path const framePath = failures / (stem + "-frame.png");
    std::filesystem::path const diffPath = failures / (stem + "-difference.png");
    if (loaded && difference.pixelsOver == 0) {
        // Pictures of an earlier failure would only mislead.
        std::error_code ignored;
        std::filesystem::remove(framePath, ignored);
        std::filesystem::remove(diffPath, ignored);
        return {};
    }
    std::filesystem::create_directories(failures);
    savePng(framePath, frame);
    savePng(diffPath, difference.picture);
    std::ostringstream why;
    if (!loaded)
        why << "no reference picture " << reference << "; ";
    else
        why << difference.pixelsOver << " pixels differ from " << reference << " by more than " << tolerance
            << " (largest " << difference.largest << "); ";
    why << "the frame is " << framePath << ", the difference " << diffPath;
    return why.str();
}

} // namespace tormakelin::client::test
