#include <tormakelin/sound/SoundDevice.h>

#include <bass.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace tormakelin;

namespace {

struct Held {
    sound::ISoundDevice* device = sound::createSoundDevice();
    Held() { device->addRef(); }
    ~Held() { device->release(); }
};

TEST(SoundDevice, InitOpensFullVolumeAndShutdownFrees) {
    Held h;
    EXPECT_FALSE(h.device->isInitialised());
    ASSERT_TRUE(h.device->init(-1, 44100));
    EXPECT_TRUE(h.device->isInitialised());
    for (DWORD option : {BASS_CONFIG_MAXVOL, BASS_CONFIG_GVOL_SAMPLE, BASS_CONFIG_GVOL_STREAM,
                         BASS_CONFIG_GVOL_MUSIC})
        EXPECT_EQ(BASS_GetConfig(option), 255u) << option;
    h.device->shutdown();
    EXPECT_FALSE(h.device->isInitialised());
    EXPECT_FALSE(BASS_Free()) << "already freed";
    ASSERT_TRUE(h.device->init(0, 22050)) << "opens again after shutdown";
}

TEST(SoundDevice, FailedInitLeavesItUninitialised) {
    Held h;
    EXPECT_FALSE(h.device->init(999, 44100));
    EXPECT_FALSE(h.device->isInitialised());
    EXPECT_EQ(h.device->frequencyToBin(1000), 0);
}

TEST(SoundDevice, FrequencyToBin) {
    Held h;
    EXPECT_EQ(h.device->frequencyToBin(44100), 0) << "no sample rate before init";
    ASSERT_TRUE(h.device->init(-1, 44100));
    const struct {
        int hz, bin;
    } cases[] = {{44100, 255}, {-5, 0}, {0, 0}, {1000, 11}, {22050, 255}, {86, 0}, {87, 1},
                 {2000000000, 255}};
    for (const auto& c : cases)
        EXPECT_EQ(h.device->frequencyToBin(c.hz), c.bin) << c.hz;
}

// Band i sums the bins after the previous band's last bin up to trunc(2^(2i/3)), at most 1023
// and at least one bin; the level is sqrt(sum / log10(bins + 10)) * 1.7, clamped to 0..1.
TEST(SoundDevice, BandsFollowTheirBins) {
    Held h;
    float* s = h.device->getSpectrumBuffer();
    const float small = 0.01f;
    s[0] = 1.0f;  // bin 0 belongs to no band
    s[1] = small;
    s[2] = 2 * small;
    s[3] = 3 * small;
    s[1023] = small;
    s[1035] = small;  // the last band: 12 bands past the cap, one bin each
    h.device->updateBands(true);
    auto level = [](float sum, int bins) { return std::sqrt(sum / std::log10(bins + 10.0f)) * 1.7f; };
    EXPECT_FLOAT_EQ(h.device->getBand(0), level(small, 1));
    EXPECT_FLOAT_EQ(h.device->getBand(1), level(2 * small, 1));
    EXPECT_FLOAT_EQ(h.device->getBand(2), level(3 * small, 1));
    EXPECT_EQ(h.device->getBand(3), 0.0f);
    // Band 15 is the first to reach bin 1023 (2^10 = 1024, capped): bins 646..1023.
    EXPECT_FLOAT_EQ(h.device->getBand(15), level(small, 1023 - 645));
    EXPECT_EQ(h.device->getBand(26), 0.0f);
    EXPECT_FLOAT_EQ(h.device->getBand(27), level(small, 1));

    s[1] = 100.0f;
    h.device->updateBands(true);
    EXPECT_EQ(h.device->getBand(0), 1.0f) << "clamped";
    h.device->updateBands(false);
    for (int i = 0; i < sound::ISoundDevice::kBandCount; ++i)
        EXPECT_EQ(h.device->getBand(i), 0.0f);
    EXPECT_EQ(h.device->getBand(-1), 0.0f);
    EXPECT_EQ(h.device->getBand(28), 0.0f);
}

TEST(SoundDevice, GlobalPointsAtTheLastDeviceWhileItLives) {
    {
        Held first;
        EXPECT_EQ(sound::g_soundDevice, first.device);
        {
            Held second;
            EXPECT_EQ(sound::g_soundDevice, second.device);
            first.device->release();  // the older one goes first
            EXPECT_EQ(sound::g_soundDevice, second.device);
            first.device = sound::createSoundDevice();
            first.device->addRef();
            EXPECT_EQ(sound::g_soundDevice, first.device);
        }
        EXPECT_EQ(sound::g_soundDevice, first.device) << "a device that is not the global leaves it";
    }
    EXPECT_EQ(sound::g_soundDevice, nullptr);
}

TEST(SoundDevice, EnumDevicesAppendsFromOne) {
    std::list<sound::SoundDeviceDesc> devices{{42, "already here"}};
    EXPECT_TRUE(sound::enumDevices(devices));
    ASSERT_GE(devices.size(), 2u);
    EXPECT_EQ(devices.front().device, 42);
    int expected = 1;
    for (auto it = std::next(devices.begin()); it != devices.end(); ++it)
        EXPECT_EQ(it->device, expected++);
    EXPECT_EQ(devices.back().description, "No sound");
}

}  // namespace
