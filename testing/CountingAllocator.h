#pragma once
// Heap allocations counted by a program's own operator new: a program that links
// CountingAllocator.cpp counts every allocation made between start and stop.

namespace tormakelin::heap {

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
