// The theme, synthesised: a four-chord loop in A minor at 120 beats a minute, two seconds a bar,
// arranged in sections that the timeline follows:
//   bars  0-4  intro: pad and arpeggio, hats from bar 2
//   bars  5-8  the 3-D part: kick on every beat and the bass
//   bars  9-16 the image part: the full beat with snare and a lead
//   bars 17-24 the particles: everything, the arpeggio an octave up
//   bars 25-29 outro: pad and arpeggio again, fading out in the last bar

#include "Music.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tormakelin::media {
namespace {

constexpr double kPi = 3.14159265358979323846;

double beatSeconds() { return 60.0 / kMusicBeatsPerMinute; }

// Am, F, C, G: the roots (Hz) and the chord tones as semitones over them.
constexpr double kRoots[4] = {110.0, 87.31, 130.81, 98.0};
constexpr int kChords[4][3] = {{0, 3, 7}, {0, 4, 7}, {0, 4, 7}, {0, 4, 7}};
constexpr int kArpeggio[8] = {0, 1, 2, 1, 0, 2, 1, 2};
constexpr int kLead[16] = {12, -1, 10, 7, -1, 7, 3, -1, 12, 15, -1, 14, 12, -1, 10, -1};

enum Part { Intro, ThreeD, Images, Particles, Outro };

Part partOf(int bar)
{
    return bar < 5 ? Intro : bar < 9 ? ThreeD : bar < 17 ? Images : bar < 25 ? Particles : Outro;
}

double semitone(double root, int steps) { return root * std::pow(2.0, steps / 12.0); }

// A small deterministic noise source for the drums.
struct Noise {
    uint32_t state = 0x12345678u;
    double next()
    {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / double(1u << 24) * 2.0 - 1.0;
    }
};

struct Voices {
    double pad = 0, arpeggio = 0, bass = 0, lead = 0, kick = 0, snare = 0, hat = 0;
};

Voices voicesAt(double t, Noise& noise)
{
    double const beat = beatSeconds();
    int const beatIndex = int(t / beat);
    int const bar = beatIndex / kMusicBeatsPerBar;
    int const inBar = beatIndex % kMusicBeatsPerBar;
    double const sinceBeat = t - beatIndex * beat;
    Part const part = partOf(bar);
    double const root = kRoots[bar % 4];
    int const* chord = kChords[bar % 4];
    Voices v;

    for (int i = 0; i < 3; ++i)
        v.pad += std::sin(2 * kPi * semitone(root * 2, chord[i]) * t) / 3;

    double const eighth = beat / 2;
    int const step = int(t / eighth);
    double const sinceStep = t - step * eighth;
    int const tone = chord[kArpeggio[step % 8]];
    double const octave = part == Particles ? 8 : 4;
    v.arpeggio = std::exp(-sinceStep * 10) * std::sin(2 * kPi * semitone(root * octave, tone) * t);

    if (part != Intro && part != Outro) {
        double const bassFrequency = root / 2 * (inBar == 3 ? 1.5 : 1.0);
        v.bass = std::tanh(2.5 * std::sin(2 * kPi * bassFrequency * t)) * std::exp(-sinceBeat * 2);
        // A falling sine for the kick on every beat.
        double const sweep = 45 + 120 * std::exp(-sinceBeat * 30);
        v.kick = std::sin(2 * kPi * sweep * sinceBeat) * std::exp(-sinceBeat * 9);
    }
    if (part == Images || part == Particles) {
        if (inBar == 1 || inBar == 3)
            v.snare = noise.next() * std::exp(-sinceBeat * 14);
        int const note = kLead[(step / 2 + bar * 4) % 16];
        if (note >= 0)
            v.lead = std::sin(2 * kPi * semitone(220.0, note) * t) * std::exp(-sinceBeat * 3);
    }
    if (bar >= 2 && part != Outro)
        v.hat = noise.next() * std::exp(-sinceStep * 60) * (step % 2 ? 1.0 : 0.5);
    return v;
}

} // namespace

double musicBarSeconds() { return beatSeconds() * kMusicBeatsPerBar; }
double musicSeconds() { return musicBarSeconds() * kMusicBars; }

std::vector<float> renderMusic()
{
    size_t const frames = size_t(musicSeconds() * kMusicRate);
    std::vector<float> samples(frames * 2);
    Noise noise;
    double const end = musicSeconds();
    for (size_t i = 0; i < frames; ++i) {
        double const t = double(i) / kMusicRate;
        Voices const v = voicesAt(t, noise);
        double const fadeIn = std::min(1.0, t / 2.0);
        double const fadeOut = std::clamp((end - t) / musicBarSeconds(), 0.0, 1.0);
        double const centre = 0.10 * v.pad + 0.22 * v.bass + 0.45 * v.kick + 0.16 * v.snare + 0.12 * v.lead;
        double const left = centre + 0.16 * v.arpeggio + 0.04 * v.hat;
        double const right = centre + 0.12 * v.arpeggio + 0.06 * v.hat;
        double const gain = fadeIn * fadeOut * 0.8;
        samples[i * 2] = float(std::clamp(left * gain, -1.0, 1.0));
        samples[i * 2 + 1] = float(std::clamp(right * gain, -1.0, 1.0));
    }
    return samples;
}

} // namespace tormakelin::media
