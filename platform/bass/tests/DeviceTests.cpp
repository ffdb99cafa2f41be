#include "BassTestSupport.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

using namespace audio_fixtures;

namespace {

TEST(BassDevice, DescriptionsEndWithTheNullDevice) {
    ASSERT_NE(BASS_GetDeviceDescription(0), nullptr);
    EXPECT_STREQ(BASS_GetDeviceDescription(0), "No sound");
    DWORD n = 1;
    const char* last = nullptr;
    while (const char* d = BASS_GetDeviceDescription(n)) {
        last = d;
        ++n;
    }
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last, "No sound");
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
}

TEST(BassDevice, InitOnceFreeOnce) {
    EXPECT_EQ(BASS_StreamCreateFile(TRUE, "x", 0, 1, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_Free());
    ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_LATENCY, nullptr, nullptr));
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

TEST(BassDevice, ChoosingDevices) {
    EXPECT_EQ(BASS_GetDevice(), DWORD(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << "no sound still opens";
    EXPECT_EQ(BASS_GetDevice(), 0u);
    BASS_Free();
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_GetDevice(), 1u) << "the default output";
    BASS_Free();
    DWORD count = 1;
    while (BASS_GetDeviceDescription(count))
        ++count;
    ASSERT_TRUE(BASS_Init(int(count - 1), 22050, 0, nullptr, nullptr)) << "the listed null device";
    BASS_Free();
    EXPECT_FALSE(BASS_Init(int(count), 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    EXPECT_FALSE(BASS_Init(-1, 100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FREQ);
}

TEST(BassDevice, ConfigValues) {
    const DWORD options[] = {BASS_CONFIG_MAXVOL, BASS_CONFIG_GVOL_SAMPLE, BASS_CONFIG_GVOL_STREAM,
                             BASS_CONFIG_GVOL_MUSIC};
    for (DWORD o : options) {
        DWORD before = BASS_GetConfig(o);
        EXPECT_EQ(before, 100u);
        EXPECT_TRUE(BASS_SetConfig(o, 255));
        EXPECT_EQ(BASS_GetConfig(o), 255u);
        BASS_SetConfig(o, before);
    }
    EXPECT_FALSE(BASS_SetConfig(1234, 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
}

// Without a sound card the default device is the null output, which keeps real time.
TEST(BassDevice, NullOutputKeepsRealTime) {
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    Bytes b = tone(kWav, 3.0);
    HSTREAM h = BASS_StreamCreateFile(TRUE, b.data(), 0, b.size(), BASS_STREAM_PRESCAN);
    ASSERT_NE(h, 0u);
    // Bracket both ends with the clock so a busy machine cannot make a correct position look late.
    auto beforePlay = std::chrono::steady_clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
    auto afterPlay = std::chrono::steady_clock::now();
    std::this_thread::sleep_until(beforePlay + std::chrono::seconds(1));
    auto beforeRead = std::chrono::steady_clock::now();
    float at = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h));
    auto afterRead = std::chrono::steady_clock::now();
    auto seconds = [](auto d) { return std::chrono::duration<double>(d).count(); };
    // Starting may take a few mixing blocks (more under the sanitizers); after that it keeps time.
    EXPECT_GE(at, seconds(beforeRead - afterPlay) - 0.1);
    EXPECT_LE(at, seconds(afterRead - beforePlay) + 0.05);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PLAYING));
    BASS_Free();
}

}  // namespace
