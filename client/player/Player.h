#pragma once
// The player program's entry: everything main does, with the seams tests replace.

#include <tormakelin/fxcore/Application.h>

#include <functional>
#include <optional>
#include <string>

namespace tormakelin::client {

class PlayerApplication;

struct PlayerSeams {
    // The command line as one text, program name first; unset: the process's own.
    std::optional<std::string> commandLine;
    // The document played without "-document"; empty: the running program's own file.
    std::string executablePath;
    // Runs after each frame is drawn and before it is presented.
    std::function<void(PlayerApplication&)> onFrame;
    // Starts the framework's services; unset: fxcore::Application::init.
    std::function<bool(fxcore::Application&, fxcore::Application::SoundParams const&)> initApplication;
    // Pins the thread before the clock starts; unset: the lowest allowed processor.
    std::function<void()> pinThread;
};

// Start-up, playback and shutdown; the exit code (0 after playback, -1 after a failed start-up).
int runPlayer(PlayerSeams seams = {});

} // namespace tormakelin::client
