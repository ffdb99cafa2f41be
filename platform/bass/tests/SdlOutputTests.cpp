#include "BassTestSupport.h"

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

using namespace audio_fixtures;

namespace {

// SDL's disk driver stands in for a sound card: a real SDL device that writes to a file.
class DiskDriver : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = std::filesystem::temp_directory_path() /
                 ("tormakelin-bass-disk-" + std::to_string(::getpid()) + ".raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_file.c_str(), 1);
    }
    void TearDown() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::filesystem::remove(m_file);
    }
    std::filesystem::path m_file;
};

TEST_F(DiskDriver, RealDevicesAreListedBeforeTheNullDevice) {
    ASSERT_NE(BASS_GetDeviceDescription(1), nullptr);
    EXPECT_STREQ(BASS_GetDeviceDescription(1), "Default output");
    DWORD n = 1;
    while (BASS_GetDeviceDescription(n + 1))
        ++n;
    EXPECT_GE(n, 3u) << "default, the driver's device, no sound";
    EXPECT_STREQ(BASS_GetDeviceDescription(n), "No sound");
}

TEST_F(DiskDriver, PlaysThroughTheSdlDevice) {
    ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    Bytes b = tone(kWav, 2.0);
    HSTREAM h = BASS_StreamCreateFile(TRUE, b.data(), 0, b.size(), BASS_STREAM_PRESCAN);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_GT(BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h)), 0.1f);
    float fft[512];
    EXPECT_NE(BASS_ChannelGetData(h, fft, BASS_DATA_FFT1024), DWORD(-1));
    EXPECT_TRUE(BASS_Free());
    EXPECT_GT(std::filesystem::file_size(m_file), 0u);
}

// SDL's audio started by itself would take Ctrl+C and SIGTERM and turn them into an event that a
// program which only plays sound never reads.
TEST_F(DiskDriver, AnOpenDeviceLeavesTheStopSignalsToEndTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        EXPECT_EXIT(
            {
                if (!BASS_Init(1, 44100, 0, nullptr, nullptr))
                    std::_Exit(2);
                raise(signal);
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                std::_Exit(0);
            },
            ::testing::KilledBySignal(signal), "");
    }
}

}  // namespace
