#include "SoundFixture.h"

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/Zip.h>

#include <bass.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

using namespace audio_fixtures;
using namespace tormakelin;

namespace {

struct LoadCase {
    const char* name;
    const char* content;  // "wav", "ogg", "mp3", "module", "text", "cut-mp3", "empty"
    bool loads;
    friend std::ostream& operator<<(std::ostream& os, const LoadCase& c) { return os << c.name; }
};

Bytes contentOf(const std::string& kind) {
    if (kind == "wav") return tone(kWav, 0.5);
    if (kind == "ogg") return tone(kOgg, 0.5);
    if (kind == "mp3") return tone(kMp3, 0.5);
    if (kind == "module") return module();
    if (kind == "text") return text("not a sound at all\n");
    if (kind == "cut-mp3") {
        Bytes b = tone(kMp3, 0.5);
        return Bytes(b.begin(), b.begin() + 16);
    }
    return {};
}

class LoadByExtension : public SoundTest, public ::testing::WithParamInterface<LoadCase> {};

// The extension picks the decoder: a stream for .ogg, .mp3 and .wav in any case, a tracker
// module for everything else; bytes the chosen decoder does not read fail cleanly.
TEST_P(LoadByExtension, PicksTheDecoderAndFailsCleanly) {
    const LoadCase& c = GetParam();
    std::string path = put(c.name, contentOf(c.content));
    sound::ISound* s = sound::createSound();
    s->addRef();
    EXPECT_EQ(s->load(path), c.loads);
    if (c.loads) {
        EXPECT_EQ(s->getFileName(), path);
        EXPECT_GT(s->getLength(), 0.4f);
    } else {
        EXPECT_EQ(s->getFileName(), "");
        EXPECT_EQ(s->getLength(), 0.0f);
        s->play(false);
        EXPECT_FALSE(s->isPlaying());
    }
    s->release();
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadByExtension,
    ::testing::Values(LoadCase{"tone.wav", "wav", true}, LoadCase{"tone.Ogg", "ogg", true},
                      LoadCase{"TONE.MP3", "mp3", true}, LoadCase{"song.XM", "module", true},
                      LoadCase{"song.mod", "module", true},
                      // WAV bytes behind a stream extension still decode: the content decides.
                      LoadCase{"renamed.ogg", "wav", true},
                      LoadCase{"tone.XM", "wav", false}, LoadCase{"song.ogg", "module", false},
                      LoadCase{"words.ogg", "text", false}, LoadCase{"words.it", "text", false},
                      LoadCase{"cut.mp3", "cut-mp3", false}, LoadCase{"empty.xm", "empty", false},
                      LoadCase{"empty.wav", "empty", false}),
    [](const auto& info) {
        std::string n = info.param.name;
        std::replace(n.begin(), n.end(), '.', '_');
        return n;
    });

TEST_F(SoundTest, MissingFileAndNoFileSystem) {
    sound::ISound* s = sound::createSound();
    s->addRef();
    EXPECT_FALSE(s->load((m_dir / "missing.wav").string()));
    std::string path = put("tone.wav", tone(kWav, 0.1));
    core::IFileSystem* fs = core::g_fileSystem;
    core::g_fileSystem = nullptr;
    EXPECT_FALSE(s->load(path));
    core::g_fileSystem = fs;
    EXPECT_TRUE(s->load(path));
    s->release();
}

TEST_F(SoundTest, PlaysFromAMountedPack) {
    std::string pack = (m_dir / "pack.zip").string();
    Bytes ogg = tone(kOgg, 0.5);
    core::ZipWriteHandle zip = core::ZipWrite::open(pack, true);
    ASSERT_NE(zip, nullptr);
    core::MemStream* entry = core::createMemStream(ogg.data(), unsigned(ogg.size()), true, false);
    entry->addRef();
    ASSERT_TRUE(core::ZipWrite::add(zip, entry, "music\\tone.ogg"));
    entry->release();
    ASSERT_TRUE(core::ZipWrite::close(zip));
    ASSERT_TRUE(m_fs->mountZip(pack));

    sound::ISound* s = loaded("Music\\Tone.ogg");
    EXPECT_FLOAT_EQ(s->getLength(), 0.5f);
    s->play(false);
    render(kRate / 10);
    EXPECT_NEAR(s->getPosition(), 0.1f, 1e-4);
    s->release();
}

TEST_F(SoundTest, PositionSeekAndContinue) {
    sound::ISound* s = loaded(put("tone.wav", tone(kWav, 2.0)));
    EXPECT_FLOAT_EQ(s->getLength(), 2.0f);
    EXPECT_EQ(s->getPosition(), 0.0f);
    s->setPosition(1.5f);
    EXPECT_FLOAT_EQ(s->getPosition(), 1.5f);
    s->play(false);
    EXPECT_TRUE(s->isPlaying());
    render(kRate / 4);
    EXPECT_FLOAT_EQ(s->getPosition(), 1.75f);

    s->setPosition(-2.0f);
    EXPECT_EQ(s->getPosition(), 0.0f);
    s->setPosition(9.0f);
    EXPECT_FLOAT_EQ(s->getPosition(), 2.0f) << "a time past the end is the end";
    s->setPosition(0.5f);

    s->stop();
    EXPECT_FALSE(s->isPlaying());
    render(1000);
    EXPECT_FLOAT_EQ(s->getPosition(), 0.5f) << "stop keeps the position";
    s->play(false);
    render(kRate / 2);
    EXPECT_FLOAT_EQ(s->getPosition(), 1.0f) << "play continues from it";
    s->rewind();
    EXPECT_EQ(s->getPosition(), 0.0f);
    s->release();
}

TEST_F(SoundTest, WithoutASoundEverythingIsZero) {
    sound::ISound* s = sound::createSound();
    s->addRef();
    EXPECT_EQ(s->getPosition(), 0.0f);
    EXPECT_EQ(s->getLength(), 0.0f);
    EXPECT_FALSE(s->isPlaying());
    s->setPosition(3.0f);
    s->play(true);
    s->setVolume(0.5f);
    s->rewind();
    s->stop();
    std::vector<unsigned char> data(sound::ISound::kDataBytes, 0xAB);
    s->getData(data.data());
    EXPECT_TRUE(std::all_of(data.begin(), data.end(), [](unsigned char b) { return b == 0; }));
    s->unload();
    s->release();
}

TEST_F(SoundTest, LoopThenOnce) {
    sound::ISound* s = loaded(put("short.wav", tone(kWav, 0.1)));
    s->play(true);
    render(kRate / 4);
    EXPECT_TRUE(s->isPlaying()) << "looping past its end";
    s->play(false);
    render(kRate / 4);
    EXPECT_FALSE(s->isPlaying()) << "play(false) after play(true) plays once";
    EXPECT_FLOAT_EQ(s->getPosition(), 0.1f);
    s->release();
}

TEST_F(SoundTest, ModuleLoopsAndEnds) {
    sound::ISound* s = loaded(put("song.xm", module()));
    EXPECT_NEAR(s->getLength(), 1.28f, 1e-4);
    s->play(true);
    render(size_t(kRate) * 2);
    EXPECT_TRUE(s->isPlaying());
    EXPECT_NEAR(s->getPosition(), 0.72f, 0.01f);
    s->play(false);
    render(kRate);
    EXPECT_FALSE(s->isPlaying());
    s->release();
}

TEST_F(SoundTest, VolumeIsClampedAndScaled) {
    Bytes b = encode(kWavFloat, kRate, 2, constant(2, kRate, 0.5f));
    sound::ISound* s = loaded(put("dc.wav", b));
    s->play(false);
    EXPECT_FLOAT_EQ(render(1)[0], 0.5f) << "the device opens every volume fully";
    const struct {
        float volume;
        float gain;
    } cases[] = {{0.5f, 127.0f / 255.0f}, {2.0f, 1.0f}, {-1.0f, 0.0f}, {1.0f, 1.0f}};
    for (const auto& c : cases) {
        s->setVolume(c.volume);
        EXPECT_FLOAT_EQ(render(1)[0], 0.5f * c.gain) << c.volume;
    }
    s->release();
}

TEST_F(SoundTest, SpectrumOfAToneFillsTheDeviceBuffer) {
    Bytes b = encode(kWavFloat, kRate, 2, sine(kRate, 2, 1.0, 1000.0, 1.0f));
    sound::ISound* s = loaded(put("tone.wav", b));
    s->play(false);
    render(4096);
    float* spectrum = m_device->getSpectrumBuffer();
    s->getData(spectrum);
    int peak = int(std::max_element(spectrum, spectrum + 512) - spectrum);
    EXPECT_EQ(peak, 23) << "1 kHz at 43.07 Hz per bin";
    EXPECT_NEAR(spectrum[23], 1.0f, 0.2f);
    m_device->updateBands(true);
    // Bin 23 lies in the band that ends at bin 25 (2^(14/3) = 25.4).
    float loudest = 0.0f;
    int loudestBand = -1;
    for (int i = 0; i < sound::ISoundDevice::kBandCount; ++i) {
        if (m_device->getBand(i) > loudest) {
            loudest = m_device->getBand(i);
            loudestBand = i;
        }
    }
    EXPECT_EQ(loudestBand, 7);
    EXPECT_FLOAT_EQ(loudest, 1.0f);
    s->stop();
    s->getData(spectrum);
    EXPECT_EQ(spectrum[23], 0.0f) << "a stopped sound has no spectrum";
    s->release();
}

TEST_F(SoundTest, SoundsOutliveTheDevice) {
    sound::ISound* s = loaded(put("tone.wav", tone(kWav, 0.2)));
    m_device->shutdown();
    EXPECT_FALSE(m_device->isInitialised());
    EXPECT_EQ(s->getLength(), 0.0f);
    s->unload();
    s->release();
}

TEST(SoundPlayback, KeepsRealTimeOnTheNullOutput) {
    core::IFileSystem* fs = core::createFileSystem();
    fs->addRef();
    sound::ISoundDevice* device = sound::createSoundDevice();
    device->addRef();
    ASSERT_TRUE(device->init(-1, 44100));
    std::filesystem::path p = std::filesystem::temp_directory_path() /
                              ("tormakelin-sound-timing-" + std::to_string(::getpid()) + ".ogg");
    Bytes b = tone(kOgg, 3.0);
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    sound::ISound* s = sound::createSound();
    s->addRef();
    ASSERT_TRUE(s->load(p.string()));
    // Bracket both ends with the clock so a busy machine cannot make a correct position look late.
    auto beforePlay = std::chrono::steady_clock::now();
    s->play(false);
    auto afterPlay = std::chrono::steady_clock::now();
    std::this_thread::sleep_until(beforePlay + std::chrono::seconds(1));
    auto beforeRead = std::chrono::steady_clock::now();
    float at = s->getPosition();
    auto afterRead = std::chrono::steady_clock::now();
    auto seconds = [](auto d) { return std::chrono::duration<double>(d).count(); };
    // Starting may take a few mixing blocks (more under the sanitizers); after that it keeps time.
    EXPECT_GE(at, seconds(beforeRead - afterPlay) - 0.1);
    EXPECT_LE(at, seconds(afterRead - beforePlay) + 0.05);
    s->release();
    device->release();
    fs->release();
    std::filesystem::remove(p);
}

}  // namespace
