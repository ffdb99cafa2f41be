#include <tormakelin/core/Timer.h>

#include <cmath>
#include <ctime>
#include <sched.h>

namespace tormakelin::core {

namespace {

int64_t monotonicNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int64_t nanosecondFrequency() { return 1000000000; }

Timer::CounterFunction g_counter = monotonicNanoseconds;
Timer::CounterFunction g_frequency = nanosecondFrequency;

}  // namespace

void Timer::setCounterSource(CounterFunction counter, CounterFunction frequencyOf) {
    g_counter = counter ? counter : monotonicNanoseconds;
    g_frequency = frequencyOf ? frequencyOf : nanosecondFrequency;
}

Timer::Timer() { reset(); }

void Timer::reset() {
    running = false;
    frequency = g_frequency();
    startCount = last = current = g_counter();
}

void Timer::start(bool resetFirst) {
    if (resetFirst) {
        reset();
    }
    running = true;
}

void Timer::togglePause() {
    if (running) {
        running = false;
    } else {
        reset();
        running = true;
    }
}

void Timer::update() {
    if (!running) {
        return;
    }
    frequency = g_frequency();
    last = current;
    current = g_counter();
    float delta = frequency > 0 ? static_cast<float>(static_cast<double>(current - last) / frequency) : 0.0f;
    if (delta < 0) {
        delta = 0;
    }
    frames += 1;
    seconds += delta;
    if (frames > 60) {
        fps = seconds > 0 ? frames / seconds : 0;
        frames = 0;
        seconds = 0;
    }
}

void Timer::setTime(float s) {
    startCount = last = current = static_cast<int64_t>(std::trunc(static_cast<double>(frequency) * s));
}

void setSingleProcessorAffinity() {
    cpu_set_t mask;
    CPU_ZERO(&mask);
    if (sched_getaffinity(0, sizeof mask, &mask) != 0 || CPU_COUNT(&mask) == 0) {
        return;
    }
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &mask)) {
            cpu_set_t single;
            CPU_ZERO(&single);
            CPU_SET(cpu, &single);
            sched_setaffinity(0, sizeof single, &single);
            return;
        }
    }
}

}  // namespace tormakelin::core
