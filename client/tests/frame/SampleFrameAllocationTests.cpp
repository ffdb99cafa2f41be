// Heap allocations of the packed sample's steady frames, counted by this program's own operator
// new over whole passes of the player's loop: once a section has played a few frames, a frame
// allocates nothing.

#include "PlayerApplication.h"

#include <tormakelin/core/Timer.h>

#include <CountingAllocator.h>
#include <ProgramFolder.h>

#include <d3d9sim.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tormakelin::client {
namespace {

// Allocations over `counted` frames from `start` seconds, after `settle` frames, at 30 frames a
// second of play time.
long allocationsPerFrames(std::string const& start, int settle, int counted)
{
    static int64_t counter = 0;
    counter = 0;
    core::Timer::setCounterSource([] { return counter += 100; }, [] { return int64_t(3000); });
    std::filesystem::path const sample = tormakelin::test::samplePath();
    PlayerSeams seams;
    seams.commandLine = "Tormakelin.Sample -nosetup -time " + start + " -document " + sample.string();
    seams.pinThread = [] {};
    int frames = 0;
    long allocations = -1;
    seams.onFrame = [&](PlayerApplication& player) {
        ++frames;
        if (frames == settle)
            heap::startCountingAllocations();
        if (frames == settle + counted) {
            allocations = heap::stopCountingAllocations();
            PostMessageA(player.getHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
        }
    };
    int const exitCode = runPlayer(seams);
    core::Timer::setCounterSource(nullptr, nullptr);
    EXPECT_EQ(exitCode, 0);
    return allocations;
}

TEST(SampleFrameAllocations, SteadyFramesOfEverySectionAllocateNothing)
{
    // Intro: the background and shader panel, the logo with its insets, the image effects. Then the
    // 3-D scene, the image lab early and late, the particles as they build up and at their peak,
    // and the outro.
    for (char const* start : {"1.0", "5.2", "7.2", "12.0", "16.5", "20.0", "30.0", "38.0", "46.0", "52.0", "58.0"}) {
        SCOPED_TRACE(start);
        EXPECT_EQ(allocationsPerFrames(start, 10, 20), 0);
    }
}

} // namespace
} // namespace tormakelin::client
