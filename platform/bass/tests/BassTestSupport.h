#pragma once

#include "AudioFixtures.h"

#include <bass.h>
#include <bass_test.h>
#include <gtest/gtest.h>

#include <vector>

// A manually driven device at 44100 Hz: nothing plays unless the test renders it.
class ManualDevice : public ::testing::Test {
protected:
    static constexpr int kRate = 44100;

    void SetUp() override {
        BASS_TestSetManualOutput(TRUE);
        ASSERT_TRUE(BASS_Init(-1, kRate, BASS_DEVICE_LATENCY, nullptr, nullptr));
    }
    void TearDown() override {
        BASS_Free();
        BASS_TestSetManualOutput(FALSE);
    }

    std::vector<float> render(size_t frames) {
        std::vector<float> out(frames * 2);
        BASS_TestRender(out.data(), DWORD(frames));
        return out;
    }

    HSTREAM stream(const audio_fixtures::Bytes& b, DWORD flags = BASS_STREAM_PRESCAN) {
        return BASS_StreamCreateFile(TRUE, b.data(), 0, b.size(), flags);
    }

    static double seconds(DWORD h) { return BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h)); }
    static double length(DWORD h) { return BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h)); }
};
