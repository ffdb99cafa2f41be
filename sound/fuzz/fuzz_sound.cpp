// Sound files through Sound::load and the file system: the first byte picks the file's
// extension (so any bytes reach every decoder), the rest is the file. Loading, playing, seeking
// and the spectrum must never crash.

#include <bass_test.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/sound/Sound.h>
#include <tormakelin/sound/SoundDevice.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

using namespace tormakelin;

namespace {

const char* const kExtensions[] = {".wav", ".ogg", ".mp3", ".WAV", ".Ogg", ".xm", ".mod", ".s3m", ".it", ""};
constexpr size_t kExtensionCount = sizeof(kExtensions) / sizeof(kExtensions[0]);

std::string soundPath(size_t extension)
{
    return "/tmp/tormakelin-fuzz-sound-" + std::to_string(getpid()) + kExtensions[extension];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static sound::ISoundDevice* device = [] {
        BASS_TestSetManualOutput(TRUE);
        sound::ISoundDevice* made = sound::createSoundDevice();
        made->addRef();
        made->init(-1, 44100);
        return made;
    }();
    static core::IFileSystem* fileSystem = [] {
        core::IFileSystem* made = core::createFileSystem();
        made->addRef();
        return made;
    }();
    if (!device || !fileSystem || size < 1) {
        return 0;
    }
    const std::string path = soundPath(data[0] % kExtensionCount);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return 0;
    }
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    // The file lives only while it loads: the sound keeps its bytes.
    core::SmartRef<sound::ISound> sound(sound::createSound());
    const bool loaded = sound->load(path);
    std::remove(path.c_str());
    if (loaded) {
        sound->setVolume(0.5f);
        sound->play(true);
        std::vector<float> out(2048 * 2);
        BASS_TestRender(out.data(), 2048);
        const float length = sound->getLength();
        sound->setPosition(length / 2);
        sound->setPosition(-1);
        BASS_TestRender(out.data(), 1024);
        float spectrum[512];
        sound->getData(spectrum);
        sound->getPosition();
        sound->isPlaying();
        sound->stop();
        sound->rewind();
    }
    sound->unload();
    return 0;
}
