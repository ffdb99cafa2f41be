#include "Output.h"
#include "State.h"

#include <SDL2/SDL.h>

namespace bass {

namespace {

constexpr Uint16 kBufferFrames = 1024;

class SdlOutput : public Output {
public:
    explicit SdlOutput(SDL_AudioDeviceID id) : id_(id) { SDL_PauseAudioDevice(id_, 0); }
    ~SdlOutput() override { stop(); }

    void stop() override {
        if (id_ == 0)
            return;
        SDL_CloseAudioDevice(id_);
        id_ = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    static void callback(void*, Uint8* stream, int len) {
        mix(reinterpret_cast<float*>(stream), size_t(len) / (2 * sizeof(float)));
    }

private:
    SDL_AudioDeviceID id_;
};

}  // namespace

bool startSdlAudio() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

std::unique_ptr<Output> openSdlOutput(const std::string& device, int rate) {
    if (!startSdlAudio())
        return nullptr;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kBufferFrames;
    want.callback = &SdlOutput::callback;
    SDL_AudioSpec have{};
    // SDL converts whatever the hardware wants from our rate and format.
    SDL_AudioDeviceID id =
        SDL_OpenAudioDevice(device.empty() ? nullptr : device.c_str(), 0, &want, &have, 0);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    return std::make_unique<SdlOutput>(id);
}

}  // namespace bass
