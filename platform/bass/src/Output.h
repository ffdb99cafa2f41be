#pragma once
// Where mixed audio goes: an SDL audio device, or a null output that consumes it in real time.

#include <memory>
#include <string>

namespace bass {

class Output {
public:
    virtual ~Output() = default;
    // Stops pulling audio; no mix runs after it returns. Call without the state lock held.
    virtual void stop() = 0;
    // Brings the output up to the present before a position is read. Only the null output, which
    // keeps time by the clock, has anything to do. Call without the state lock held.
    virtual void catchUp() {}
};

// SDL's audio, started without SDL's signal handlers: they would turn Ctrl+C and SIGTERM into an
// event that a program which only plays sound never reads. Pairs with SDL_QuitSubSystem.
bool startSdlAudio();
// `device` empty opens the default device. Null when no device opens.
std::unique_ptr<Output> openSdlOutput(const std::string& device, int rate);
// `manual`: runs no thread; the test hook renders by hand.
std::unique_ptr<Output> openNullOutput(int rate, bool manual);

}  // namespace bass
