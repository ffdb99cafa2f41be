#pragma once
// The state behind every waitable object. All of it changes under one process-wide lock and
// one condition, so a wait on several objects sees them change together.

#include <tormakelin/core/Thread.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace tormakelin::core {

struct WaitHandle {
    enum Kind { Event, Mutex, Semaphore, Thread };

    explicit WaitHandle(Kind k) : kind(k) {}

    Kind kind;
    bool manualReset = false;
    bool signalled = false;
    int count = 0;
    int maximum = 0;
    int recursion = 0;
    std::thread::id owner;
    bool abandoned = false;  // its owner thread ended while holding it
};

namespace waiting {

std::mutex& lock();
std::condition_variable& changed();
// Tell every waiter that some handle changed; call with the lock held or just after.
void notify();
// Mutexes are listed so that a thread's end can give up the ones it still holds.
void addMutex(WaitHandle* mutex);
void removeMutex(WaitHandle* mutex);
// With the lock held: marks the mutexes the thread holds as abandoned and frees them.
void abandonMutexesOf(std::thread::id thread);

}  // namespace waiting

}  // namespace tormakelin::core
