#pragma once
// Heap allocations counted by a program's own operator new: a program that links
// CountingAllocator.cpp counts every allocation it makes.

namespace tormakelin::heap {

// Every allocation since the program started; benchmarks take differences of it.
long allocationCount();

void startCountingAllocations();
// The allocations since the start.
long stopCountingAllocations();

// Allocations made while `frame` runs `frames` times, after as many runs to settle.
template <class Frame>
long allocationsOf(Frame&& frame, int frames = 10)
{
    for (int i = 0; i < frames; ++i)
        frame(i);
    startCountingAllocations();
    for (int i = 0; i < frames; ++i)
        frame(frames + i);
    return stopCountingAllocations();
}

} // namespace tormakelin::heap
