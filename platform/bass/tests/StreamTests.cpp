#include "BassTestSupport.h"

using namespace audio_fixtures;

namespace {

struct FormatCase {
    const char* name;
    int format;
    int rate;
    int channels;
    friend std::ostream& operator<<(std::ostream& os, const FormatCase& c) { return os << c.name; }
};

class StreamFormats : public ManualDevice, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(StreamFormats, LengthIsExactInTheChannelsOwnFormat) {
    const FormatCase& c = GetParam();
    Bytes b = tone(c.format, 1.0, c.rate, c.channels);
    ASSERT_FALSE(b.empty());
    HSTREAM h = stream(b);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    // 16-bit samples: two bytes per channel per frame.
    EXPECT_EQ(BASS_ChannelGetLength(h), QWORD(c.rate) * c.channels * 2);
    EXPECT_FLOAT_EQ(length(h), 1.0f);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, 0.5f), QWORD(c.rate / 2) * c.channels * 2);
    EXPECT_EQ(BASS_ChannelGetPosition(h), 0u);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(BASS_StreamFree(h));
}

INSTANTIATE_TEST_SUITE_P(Decoders, StreamFormats,
                         ::testing::Values(FormatCase{"Wav", kWav, 44100, 2},
                                           FormatCase{"WavMono22k", kWav, 22050, 1},
                                           FormatCase{"Ogg", kOgg, 44100, 2},
                                           FormatCase{"Mp3", kMp3, 44100, 2},
                                           FormatCase{"Mp3Mono", kMp3, 48000, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ManualDevice, BytesThatAreNoSoundAreRefused) {
    Bytes wav = tone(kWav);
    Bytes mp3 = tone(kMp3);
    const Bytes cases[] = {
        text("this is a text file, not an ogg stream\n"),
        Bytes(mp3.begin(), mp3.begin() + 20),  // header only
        Bytes(wav.begin(), wav.begin() + 44),  // header, no frame
        Bytes(),
    };
    for (const Bytes& b : cases) {
        EXPECT_EQ(BASS_StreamCreateFile(TRUE, b.empty() ? "" : (const void*)b.data(), 0, b.size(),
                                        BASS_STREAM_PRESCAN),
                  0u);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    }
}

TEST_F(ManualDevice, ATruncatedFilePlaysWhatItHolds) {
    Bytes wav = encode(kWav, kRate, 2, ramp(2, 4410));
    // The header still claims 4410 frames; the data stops after 1000.
    Bytes cut(wav.begin(), wav.begin() + 44 + std::ptrdiff_t{1000} * 4);
    HSTREAM h = stream(cut);
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(BASS_ChannelPlay(h, FALSE));
    std::vector<float> out = render(4410);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_EQ(BASS_ChannelGetPosition(h), BASS_ChannelGetLength(h));
    EXPECT_EQ(BASS_ChannelGetLength(h), 1000u * 4);
    EXPECT_EQ(out[size_t{2} * 1200], 0.0f);
}

TEST_F(ManualDevice, OnlyMemoryIsPlayed) {
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "tone.wav", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    EXPECT_EQ(BASS_MusicLoad(FALSE, "song.xm", 0, 0, 0, 0), 0u);
}

TEST_F(ManualDevice, PlayAdvancesStopKeepsAndPlayResumes) {
    Bytes b = encode(kWavFloat, kRate, 2, ramp(2, kRate));
    HSTREAM h = stream(b);
    ASSERT_NE(h, 0u);
    render(1000);
    EXPECT_EQ(BASS_ChannelGetPosition(h), 0u) << "nothing moves before play";
    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PLAYING));
    std::vector<float> out = render(1000);
    EXPECT_FLOAT_EQ(out[0], 0.0f);
    EXPECT_FLOAT_EQ(out[size_t{2} * 999], 999.0f / kRate);
    EXPECT_EQ(BASS_ChannelGetPosition(h), 1000u * 4);

    ASSERT_TRUE(BASS_ChannelStop(h));
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
    render(500);
    EXPECT_EQ(BASS_ChannelGetPosition(h), 1000u * 4);

    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
    out = render(10);
    EXPECT_FLOAT_EQ(out[0], 1000.0f / kRate) << "resumes where it stopped";

    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    out = render(10);
    EXPECT_FLOAT_EQ(out[0], 0.0f) << "restart goes back to the start";
}

TEST_F(ManualDevice, SeekInBytesThenContinue) {
    Bytes b = encode(kWavFloat, kRate, 2, ramp(2, kRate));
    HSTREAM h = stream(b);
    ASSERT_NE(h, 0u);
    QWORD half = BASS_ChannelSeconds2Bytes(h, 0.5f);
    ASSERT_TRUE(BASS_ChannelSetPosition(h, half));
    EXPECT_FLOAT_EQ(seconds(h), 0.5f);
    BASS_ChannelPlay(h, FALSE);
    std::vector<float> out = render(100);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    EXPECT_FLOAT_EQ(seconds(h), float((kRate / 2.0 + 100.0) / kRate));

    // Past the end is the end: the channel finishes at once.
    ASSERT_TRUE(BASS_ChannelSetPosition(h, BASS_ChannelGetLength(h) + 400));
    EXPECT_EQ(BASS_ChannelGetPosition(h), BASS_ChannelGetLength(h));
    render(10);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
}

class CompressedSeek : public ManualDevice, public ::testing::WithParamInterface<FormatCase> {};

// A seek, forward or back, lands on the frame that continuous playback reaches there.
TEST_P(CompressedSeek, LandsOnTheExactFrame) {
    Bytes b = encode(GetParam().format, kRate, 2, sine(kRate, 2, 1.0, 441.0, 0.5f));
    HSTREAM h = stream(b);
    ASSERT_NE(h, 0u);
    BASS_ChannelPlay(h, FALSE);
    const size_t at[] = {11025, 30000};
    std::vector<float> played = render(30064);
    for (size_t frame : {at[1], at[0]}) {
        ASSERT_TRUE(BASS_ChannelSetPosition(h, frame * 4));
        EXPECT_EQ(BASS_ChannelGetPosition(h), frame * 4);
        std::vector<float> out = render(64);
        for (size_t i = 0; i < size_t{64} * 2; ++i)
            ASSERT_FLOAT_EQ(out[i], played[frame * 2 + i]) << "frame " << frame << " sample " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Decoders, CompressedSeek,
                         ::testing::Values(FormatCase{"Ogg", kOgg, 44100, 2},
                                           FormatCase{"Mp3", kMp3, 44100, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ManualDevice, PlayOnceEndsAndStaysAtTheEnd) {
    Bytes b = encode(kWav, kRate, 2, constant(2, 1000, 0.25f));
    HSTREAM h = stream(b);
    ASSERT_NE(h, 0u);
    BASS_ChannelPlay(h, FALSE);
    std::vector<float> out = render(1500);
    EXPECT_FLOAT_EQ(out[size_t{2} * 999], 0.25f);
    EXPECT_EQ(out[size_t{2} * 1000], 0.0f);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_EQ(BASS_ChannelGetPosition(h), BASS_ChannelGetLength(h));

    // Playing again without restart continues from the end: it stops again at once.
    BASS_ChannelPlay(h, FALSE);
    out = render(10);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
    // Moved back into the sound, it plays from there.
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 0));
    BASS_ChannelPlay(h, FALSE);
    EXPECT_FLOAT_EQ(render(10)[0], 0.25f);
}

TEST_F(ManualDevice, LoopFlagWrapsSeamlesslyAndCanBeCleared) {
    Bytes b = encode(kWavFloat, kRate, 2, ramp(2, 1000));
    HSTREAM h = stream(b);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelSetFlags(h, BASS_SAMPLE_LOOP));
    BASS_ChannelPlay(h, FALSE);
    std::vector<float> out = render(2500);
    EXPECT_FLOAT_EQ(out[size_t{2} * 999], 0.999f);
    EXPECT_FLOAT_EQ(out[size_t{2} * 1000], 0.0f);
    EXPECT_FLOAT_EQ(out[size_t{2} * 2499], 0.499f);
    EXPECT_EQ(BASS_ChannelGetPosition(h), 500u * 4);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PLAYING));

    ASSERT_TRUE(BASS_ChannelSetFlags(h, 0));
    render(1000);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
}

TEST_F(ManualDevice, StreamAtAnotherRateIsResampledAndKeepsItsOwnClock) {
    Bytes b = encode(kWav, 22050, 1, constant(1, 22050, 0.5f));
    HSTREAM h = stream(b);
    ASSERT_NE(h, 0u);
    BASS_ChannelPlay(h, FALSE);
    std::vector<float> out = render(kRate / 2);
    EXPECT_FLOAT_EQ(seconds(h), 0.5f);
    EXPECT_EQ(BASS_ChannelGetPosition(h), 11025u * 2);
    EXPECT_FLOAT_EQ(out[2 * 100 + 1], 0.5f) << "mono plays on both sides";
}

TEST_F(ManualDevice, VolumesScaleAgainstTheMaximum) {
    Bytes b = encode(kWavFloat, kRate, 2, constant(2, kRate, 0.5f));
    HSTREAM h = stream(b);
    ASSERT_NE(h, 0u);
    BASS_ChannelPlay(h, FALSE);
    EXPECT_FLOAT_EQ(render(1)[0], 0.5f) << "full volume by default";

    ASSERT_TRUE(BASS_SetConfig(BASS_CONFIG_MAXVOL, 255));
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, 0, 51, 0));
    EXPECT_FLOAT_EQ(render(1)[0], 0.5f * 51 / 255 * 100 / 255)
        << "the default global volume of 100 reads against the new maximum too";
    ASSERT_TRUE(BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 255));
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, 0, 255, 0));
    EXPECT_FLOAT_EQ(render(1)[0], 0.5f);
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, 1000, -101));
    EXPECT_FLOAT_EQ(render(1)[0], 0.5f) << "above the maximum is full volume";

    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, -1, -100));
    std::vector<float> left = render(1);
    EXPECT_FLOAT_EQ(left[0], 0.5f);
    EXPECT_FLOAT_EQ(left[1], 0.0f);

    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, 0, 0));
    EXPECT_EQ(render(1)[0], 0.0f);
    EXPECT_FALSE(BASS_ChannelSetAttributes(h, 0, -7, 0));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    BASS_SetConfig(BASS_CONFIG_MAXVOL, 100);
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 100);
}

TEST_F(ManualDevice, FftOfWhatPlaysNow) {
    Bytes b = encode(kWavFloat, kRate, 2, sine(kRate, 2, 1.0, 1000.0, 1.0f));
    HSTREAM h = stream(b);
    ASSERT_NE(h, 0u);
    float fft[512];
    EXPECT_EQ(BASS_ChannelGetData(h, fft, BASS_DATA_FFT1024), DWORD(-1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
    EXPECT_EQ(fft[0], 0.0f);

    BASS_ChannelPlay(h, FALSE);
    render(2048);
    EXPECT_EQ(BASS_ChannelGetData(h, fft, BASS_DATA_FFT1024), 1024u * 4);
    // 1 kHz lies between bins 23 and 24 (43.07 Hz each), nearer 23.
    int peak = int(std::max_element(fft, fft + 512) - fft);
    EXPECT_EQ(peak, 23);
    EXPECT_NEAR(fft[23], 1.0f, 0.2f);
    EXPECT_LT(fft[100], 0.01f);
    EXPECT_LT(fft[2], 0.01f);

    EXPECT_EQ(BASS_ChannelGetData(h, fft, 1024), DWORD(-1)) << "only the 1024-sample FFT is offered";
}

TEST_F(ManualDevice, HandlesAreCheckedByKind) {
    Bytes b = tone(kWav, 0.1);
    HSTREAM h = stream(b);
    ASSERT_NE(h, 0u);
    EXPECT_FALSE(BASS_MusicFree(h));
    EXPECT_TRUE(BASS_StreamFree(h));
    EXPECT_FALSE(BASS_StreamFree(h));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_FALSE(BASS_ChannelPlay(h, FALSE));
    EXPECT_EQ(BASS_ChannelGetPosition(h), QWORD(-1));
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
}

TEST_F(ManualDevice, FreeReleasesEveryChannel) {
    Bytes b = tone(kWav, 0.1);
    HSTREAM h = stream(b);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_Free());
    ASSERT_TRUE(BASS_Init(-1, kRate, 0, nullptr, nullptr));
    EXPECT_FALSE(BASS_StreamFree(h)) << "old handles stay invalid";
}

}  // namespace
