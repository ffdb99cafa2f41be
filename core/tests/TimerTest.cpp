#include <tormakelin/core/Timer.h>

#include <gtest/gtest.h>

#include <sched.h>
#include <thread>

using namespace tormakelin::core;

namespace {

int64_t g_now = 0;
int64_t g_frequency = 600;
int64_t fakeCounter() { return g_now; }
int64_t fakeFrequency() { return g_frequency; }

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_now = 1000;
        g_frequency = 600;
        Timer::setCounterSource(fakeCounter, fakeFrequency);
    }
    void TearDown() override { Timer::setCounterSource(nullptr, nullptr); }
};

}  // namespace

TEST_F(TimerTest, StartsStoppedAtTheCounter) {
    Timer timer;
    EXPECT_FALSE(timer.running);
    EXPECT_EQ(timer.frequency, 600);
    EXPECT_EQ(timer.startCount, 1000);
    EXPECT_EQ(timer.last, 1000);
    EXPECT_EQ(timer.current, 1000);
    g_now = 1600;
    timer.update();  // stopped: nothing changes
    EXPECT_EQ(timer.current, 1000);
    EXPECT_EQ(timer.frames, 0);
}

TEST_F(TimerTest, DeltasComeFromTheCounter) {
    Timer timer;
    timer.start(false);
    g_now += 30;  // 1/20 s
    timer.update();
    EXPECT_EQ(timer.last, 1000);
    EXPECT_EQ(timer.current, 1030);
    EXPECT_FLOAT_EQ(static_cast<float>(timer.current - timer.last) / timer.frequency, 0.05f);
    EXPECT_FLOAT_EQ(timer.seconds, 0.05f);
    EXPECT_EQ(timer.frames, 1);
    // A counter that goes back counts as no time.
    g_now -= 100;
    timer.update();
    EXPECT_FLOAT_EQ(timer.seconds, 0.05f);
    EXPECT_EQ(timer.frames, 2);
}

TEST_F(TimerTest, FpsAfterSixtyOneFrames) {
    Timer timer;
    timer.start(true);
    for (int i = 0; i < 61; ++i) {
        g_now += 10;  // 1/60 s
        timer.update();
    }
    EXPECT_NEAR(timer.fps, 60.0f, 1e-3f);
    EXPECT_EQ(timer.frames, 0);
    EXPECT_EQ(timer.seconds, 0);
}

TEST_F(TimerTest, PauseResetAndSetTime) {
    Timer timer;
    timer.start(false);
    g_now = 5000;
    timer.togglePause();
    EXPECT_FALSE(timer.running);
    EXPECT_EQ(timer.current, 1000);
    timer.togglePause();  // resumes from a reset
    EXPECT_TRUE(timer.running);
    EXPECT_EQ(timer.current, 5000);
    EXPECT_EQ(timer.startCount, 5000);
    timer.setTime(2.5f);
    EXPECT_EQ(timer.startCount, 1500);
    EXPECT_EQ(timer.last, 1500);
    EXPECT_EQ(timer.current, 1500);
    timer.stop();
    EXPECT_FALSE(timer.running);
    g_now = 7000;
    timer.start(true);
    EXPECT_EQ(timer.current, 7000);
}

TEST(Timer, RealClockAdvances) {
    Timer timer;
    timer.start(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    timer.update();
    EXPECT_EQ(timer.frequency, 1000000000);
    EXPECT_GE(timer.current - timer.last, 5000000);
}

TEST(Affinity, BindsToTheLowestAllowedProcessor) {
    int available = 0;
    cpu_set_t all;
    sched_getaffinity(0, sizeof all, &all);
    available = CPU_COUNT(&all);
    if (!CPU_ISSET(2, &all) || !CPU_ISSET(3, &all)) {
        GTEST_SKIP() << "needs processors 2 and 3, has " << available;
    }
    // On a thread of its own, so the test process keeps its mask.
    std::thread worker([] {
        cpu_set_t mask;
        CPU_ZERO(&mask);
        CPU_SET(2, &mask);
        CPU_SET(3, &mask);  // 0b1100
        ASSERT_EQ(sched_setaffinity(0, sizeof mask, &mask), 0);
        setSingleProcessorAffinity();
        cpu_set_t now;
        sched_getaffinity(0, sizeof now, &now);
        EXPECT_EQ(CPU_COUNT(&now), 1);
        EXPECT_TRUE(CPU_ISSET(2, &now));
    });
    worker.join();
}
