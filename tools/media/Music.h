#pragma once

#include <vector>

namespace tormakelin::media {

// The sample's theme: its tempo and bar length are what the project's timeline is placed on.
constexpr int kMusicRate = 44100;
constexpr double kMusicBeatsPerMinute = 120.0;
constexpr int kMusicBeatsPerBar = 4;
constexpr int kMusicBars = 30;

double musicBarSeconds();
double musicSeconds();

// Interleaved stereo samples of the whole theme.
std::vector<float> renderMusic();

} // namespace tormakelin::media
