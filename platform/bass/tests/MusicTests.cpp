#include "BassTestSupport.h"

#include <cmath>

using namespace audio_fixtures;

namespace {

constexpr DWORD kMusicFlags = BASS_MUSIC_PRESCAN | BASS_MUSIC_RAMP;

HMUSIC load(const Bytes& b, DWORD flags = kMusicFlags, DWORD freq = 0) {
    return BASS_MusicLoad(TRUE, b.data(), 0, DWORD(b.size()), flags, freq);
}

float peak(const std::vector<float>& v) {
    float p = 0;
    for (float x : v)
        p = std::max(p, std::fabs(x));
    return p;
}

TEST_F(ManualDevice, ModuleRendersAtTheDeviceRateWithItsLength) {
    Bytes b = module();
    HMUSIC h = load(b);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    // 16-bit stereo at the device's rate.
    EXPECT_EQ(BASS_ChannelGetLength(h), QWORD(std::llround(1.28 * kRate)) * 4);
    EXPECT_NEAR(length(h), 1.28, 1e-4);
    BASS_ChannelPlay(h, FALSE);
    std::vector<float> out = render(kRate / 2);
    EXPECT_GT(peak(out), 0.05f);
    EXPECT_FLOAT_EQ(seconds(h), 0.5f);
    EXPECT_TRUE(BASS_MusicFree(h));
}

TEST_F(ManualDevice, ModulePlaysOnceOrLoops) {
    Bytes b = module();
    HMUSIC once = load(b);
    HMUSIC looped = load(b, kMusicFlags | BASS_MUSIC_LOOP);
    ASSERT_NE(once, 0u);
    ASSERT_NE(looped, 0u);
    BASS_ChannelPlay(once, FALSE);
    BASS_ChannelPlay(looped, FALSE);
    render(size_t{2} * kRate);
    EXPECT_EQ(BASS_ChannelIsActive(once), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_EQ(BASS_ChannelGetPosition(once), BASS_ChannelGetLength(once));
    EXPECT_EQ(BASS_ChannelIsActive(looped), DWORD(BASS_ACTIVE_PLAYING));
    EXPECT_NEAR(seconds(looped), 2.0 - 1.28, 0.01);
}

TEST_F(ManualDevice, ModuleSeeksInBytes) {
    Bytes b = module();
    HMUSIC h = load(b);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelSetPosition(h, BASS_ChannelSeconds2Bytes(h, 1.0f)));
    EXPECT_NEAR(seconds(h), 1.0, 0.001);
    ASSERT_TRUE(BASS_ChannelSetPosition(h, BASS_ChannelGetLength(h) + 400));
    EXPECT_EQ(BASS_ChannelGetPosition(h), BASS_ChannelGetLength(h));
}

TEST_F(ManualDevice, ModuleLengthNeedsPrescan) {
    Bytes b = module();
    HMUSIC h = load(b, BASS_MUSIC_RAMP);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(h), QWORD(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
}

TEST_F(ManualDevice, BytesThatAreNoModuleAreRefused) {
    Bytes wav = tone(kWav, 0.1);
    Bytes mod = module();
    const Bytes cases[] = {
        text("just some words in a file named song.xm\n"),
        wav,
        Bytes(mod.begin(), mod.begin() + 100),
    };
    for (const Bytes& b : cases) {
        EXPECT_EQ(load(b), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    }
    const char empty = 0;
    EXPECT_EQ(BASS_MusicLoad(TRUE, &empty, 0, 0, kMusicFlags, 0), 0u);
}

}  // namespace
