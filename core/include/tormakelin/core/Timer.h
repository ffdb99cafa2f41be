#pragma once
// The frame clock over the monotonic high-resolution counter.

#include <tormakelin/core/Export.h>

#include <cstdint>

namespace tormakelin::core {

class TORMAKELIN_CORE_API Timer {
public:
    using CounterFunction = int64_t (*)();

    Timer();

    // Stopped, with every counter at the counter's current value.
    void reset();
    void start(bool resetFirst);
    void stop() { running = false; }
    void togglePause();
    // Once per frame; nothing while stopped.
    void update();
    void setTime(float seconds);

    // Replaces the counter and its ticks per second for every timer (tests); null restores
    // the monotonic clock.
    static void setCounterSource(CounterFunction counter, CounterFunction frequency);

    float fps = 0;
    float frames = 0;   // since the last fps update
    float seconds = 0;  // since the last fps update
    bool running = false;
    int64_t frequency = 0;  // counter ticks per second
    int64_t last = 0;
    int64_t current = 0;
    int64_t startCount = 0;
};

// Binds the calling thread to the lowest processor it may run on.
TORMAKELIN_CORE_API void setSingleProcessorAffinity();

}  // namespace tormakelin::core
