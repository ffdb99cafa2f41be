// Arbitrary bytes as a stream and as a tracker module: opening, playing, seeking and the FFT
// must never read outside the bytes or crash.
#include <bass.h>
#include <bass_test.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void exercise(DWORD handle) {
    if (!handle)
        return;
    BASS_ChannelSetFlags(handle, BASS_SAMPLE_LOOP);
    BASS_ChannelPlay(handle, FALSE);
    std::vector<float> out(4096 * 2);
    BASS_TestRender(out.data(), 4096);
    QWORD length = BASS_ChannelGetLength(handle);
    if (length != QWORD(-1))
        BASS_ChannelSetPosition(handle, length / 2);
    BASS_TestRender(out.data(), 2048);
    float fft[512];
    BASS_ChannelGetData(handle, fft, BASS_DATA_FFT1024);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        BASS_TestSetManualOutput(TRUE);
        return BASS_Init(-1, 44100, 0, nullptr, nullptr) == TRUE;
    }();
    if (!ready || size == 0)
        return 0;
    // A copy of exactly `size` bytes, so the sanitizer sees any read past the end.
    std::vector<uint8_t> bytes(data, data + size);
    HSTREAM stream = BASS_StreamCreateFile(TRUE, bytes.data(), 0, bytes.size(), BASS_STREAM_PRESCAN);
    exercise(stream);
    BASS_StreamFree(stream);
    HMUSIC music = BASS_MusicLoad(TRUE, bytes.data(), 0, DWORD(bytes.size()),
                                  BASS_MUSIC_PRESCAN | BASS_MUSIC_RAMP, 0);
    exercise(music);
    BASS_MusicFree(music);
    return 0;
}
