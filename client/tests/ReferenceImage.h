#pragma once
// Frames kept as small pictures in the tree and compared with a tolerance, so that a change
// anywhere in the system that alters what the sample draws shows up as a failing picture.

#include "PlayerTestSupport.h"

#include <filesystem>
#include <string>

namespace tormakelin::client::test {

// The frame scaled down by averaging the source pixels each target pixel covers.
Frame downscale(Frame const& frame, unsigned width, unsigned height);

bool savePng(std::filesystem::path const& path, Frame const& frame);
bool loadPng(std::filesystem::path const& path, Frame& frame);

struct ImageDifference {
    // Pixels with a channel further than the tolerance from the reference.
    size_t pixelsOver = 0;
    int largest = 0;
    Frame picture;  // red where over the tolerance, else the difference amplified, in grey
};

// Per-channel comparison; frames of different sizes differ everywhere.
ImageDifference compareImages(Frame const& frame, Frame const& reference, int tolerance);

// Empty when `frame` matches the reference picture `name` within `tolerance`; otherwise why, after
// writing the frame and a difference picture side by side into `failures` and naming them.
std::string checkAgainstReference(Frame const& frame, std::filesystem::path const& reference, int tolerance,
    std::filesystem::path const& failures);

} // namespace tormakelin::client::test
