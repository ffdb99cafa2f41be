#include <tormakelin/core/ReadWriteLock.h>
#include <tormakelin/core/Thread.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace tormakelin::core;

namespace {

// Records what run() sees of its own members: it must never run before they are set.
class Worker : public Thread {
public:
    explicit Worker(bool startSuspended) : Thread("worker", 0, startSuspended), m_value(42), m_done(true, false) {
        if (!startSuspended) {
            resume();
        }
    }
    ~Worker() override { stopAndWait(); }
    int run() override {
        m_seen = m_value;
        m_done.set();
        while (!isShuttingDown()) {
            sleep(1);
        }
        return 7;
    }
    int seen() const { return m_seen.load(); }
    Event& done() { return m_done; }

private:
    int m_value;
    std::atomic<int> m_seen{0};
    Event m_done;
};

}  // namespace

TEST(Thread, RunsOnlyAfterTheDerivedObjectIsBuilt) {
    for (int i = 0; i < 20; ++i) {
        Worker worker(false);
        EXPECT_TRUE(worker.isActive());
        ASSERT_EQ(Thread::wait(&worker.done(), 5000, false), WaitSignalled);
        EXPECT_EQ(worker.seen(), 42);
    }
}

TEST(Thread, SuspendedUntilResumedAndJoinedOnDestruction) {
    Worker worker(true);
    EXPECT_EQ(Thread::wait(&worker.done(), 50, false), WaitTimeout);
    EXPECT_EQ(worker.suspend(), 1);
    EXPECT_EQ(worker.resume(), 2);
    EXPECT_EQ(Thread::wait(&worker.done(), 50, false), WaitTimeout);
    EXPECT_EQ(worker.resume(), 1);
    ASSERT_EQ(Thread::wait(&worker.done(), 5000, false), WaitSignalled);
    EXPECT_EQ(worker.suspend(), -1);  // running threads cannot be suspended
    EXPECT_TRUE(worker.setPriority(ThreadPriorityBelowNormal));
    // The thread's own handle is signalled once it ends.
    EXPECT_EQ(Thread::wait(&worker, 20, false), WaitTimeout);
    worker.exit();
    EXPECT_TRUE(worker.isShuttingDown());
    EXPECT_EQ(Thread::wait(&worker, 5000, false), WaitSignalled);
}

TEST(Thread, NeverResumedThreadIsReleasedByDestruction) {
    Worker worker(true);
    EXPECT_EQ(worker.seen(), 0);
}

TEST(Thread, BaseRunReturnsMinusOne) {
    struct Plain : Thread {
        Plain() : Thread("plain", 64 * 1024, true) {}
    } plain;
    EXPECT_EQ(plain.run(), -1);
    EXPECT_EQ(plain.getName(), "plain");
}

TEST(Event, SignalledAndTimeOut) {
    Event manual(true, false);
    EXPECT_EQ(Thread::waitHandle(manual.getHandle(), 0, false), WaitTimeout);
    manual.set();
    EXPECT_EQ(Thread::waitHandle(manual.getHandle(), 0, false), WaitSignalled);
    EXPECT_EQ(Thread::waitHandle(manual.getHandle(), 0, false), WaitSignalled);  // stays set
    manual.reset();
    EXPECT_EQ(Thread::waitHandle(manual.getHandle(), 10, false), WaitTimeout);

    Event automatic(false, true);
    EXPECT_EQ(Thread::wait(&automatic, 0, false), WaitSignalled);
    EXPECT_EQ(Thread::wait(&automatic, 0, false), WaitTimeout);  // consumed

    EXPECT_EQ(Thread::waitHandle(nullptr, 0, false), WaitFailed);
    EXPECT_EQ(Thread::wait(nullptr, 0, false), WaitFailed);
}

TEST(Event, WakesAWaiterOnAnotherThread) {
    Event event(false, false);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        event.set();
    });
    EXPECT_EQ(Thread::wait(&event, WaitInfinite, false), WaitSignalled);
    setter.join();
}

TEST(Semaphore, CountsAndMaximum) {
    Semaphore semaphore(1, 2);
    EXPECT_EQ(Thread::wait(&semaphore, 0, false), WaitSignalled);
    EXPECT_EQ(Thread::wait(&semaphore, 0, false), WaitTimeout);
    int previous = -1;
    EXPECT_TRUE(semaphore.release(2, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(semaphore.release(1, &previous));  // would pass the maximum
    EXPECT_EQ(Thread::wait(&semaphore, 0, false), WaitSignalled);
    EXPECT_EQ(Thread::wait(&semaphore, 0, false), WaitSignalled);
    EXPECT_EQ(Thread::wait(&semaphore, 0, false), WaitTimeout);
    EXPECT_FALSE(semaphore.release(0));
}

TEST(Mutex, OwnedRecursivelyByOneThread) {
    Mutex mutex(true);
    EXPECT_EQ(Thread::wait(&mutex, 0, false), WaitSignalled);  // the owner again
    std::thread other([&] {
        EXPECT_EQ(Thread::wait(&mutex, 10, false), WaitTimeout);
        EXPECT_FALSE(mutex.release());
    });
    other.join();
    EXPECT_TRUE(mutex.release());
    EXPECT_TRUE(mutex.release());
    EXPECT_FALSE(mutex.release());
    std::thread taker([&] {
        EXPECT_EQ(Thread::wait(&mutex, 0, false), WaitSignalled);
        EXPECT_TRUE(mutex.release());
    });
    taker.join();
}

TEST(Mutex, AbandonedByAnEndingThread) {
    Mutex mutex(false);
    struct Holder : Thread {
        explicit Holder(Mutex& m) : Thread("holder", 0, false), mutex(m) { resume(); }
        ~Holder() override { stopAndWait(); }
        int run() override { return Thread::wait(&mutex, 0, false) == WaitSignalled ? 0 : 1; }
        Mutex& mutex;
    };
    {
        Holder holder(mutex);
        ASSERT_EQ(Thread::wait(&holder, 5000, false), WaitSignalled);
    }
    // The owner ended without releasing: the next waiter is told, and owns it.
    EXPECT_EQ(Thread::wait(&mutex, 0, false), WaitAbandoned);
    EXPECT_TRUE(mutex.release());
    EXPECT_EQ(Thread::wait(&mutex, 0, false), WaitSignalled);
    EXPECT_TRUE(mutex.release());
}

TEST(Wait, AnyAndAll) {
    Event a(true, false), b(true, false);
    Semaphore c(0, 5);
    IWaitableObject* objects[] = {&a, &b, &c};
    EXPECT_EQ(Thread::waitAny(3, objects, 0, false), WaitTimeout);
    b.set();
    EXPECT_EQ(Thread::waitAny(3, objects, 0, false), WaitSignalled + 1);
    EXPECT_EQ(Thread::waitAll(3, objects, 0, false), WaitTimeout);
    a.set();
    c.release(1);
    EXPECT_EQ(Thread::waitAny(3, objects, 0, false), WaitSignalled + 0);
    EXPECT_EQ(Thread::waitAll(3, objects, 0, false), WaitSignalled);
    // waitAll took the semaphore's only count; the events stay set.
    EXPECT_EQ(Thread::waitAll(3, objects, 0, false), WaitTimeout);
    EXPECT_EQ(Thread::waitAll(2, objects, 0, false), WaitSignalled);
    // Arguments it cannot wait on.
    EXPECT_EQ(Thread::waitAny(0, objects, 0, false), WaitFailed);
    EXPECT_EQ(Thread::waitAny(65, objects, 0, false), WaitFailed);
    IWaitableObject* withNull[] = {&a, nullptr};
    EXPECT_EQ(Thread::waitAll(2, withNull, 0, false), WaitFailed);
}

TEST(Wait, AllWaitsForTheLastOneOnAnotherThread) {
    Event a(false, true), b(false, false);
    IWaitableObject* objects[] = {&a, &b};
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        b.set();
    });
    EXPECT_EQ(Thread::waitAll(2, objects, 5000, false), WaitSignalled);
    setter.join();
    // Both auto-reset events were consumed together.
    EXPECT_EQ(Thread::waitAny(2, objects, 0, false), WaitTimeout);
}

TEST(CriticalSection, GuardsACounter) {
    CriticalSection section;
    int counter = 0;
    std::vector<std::thread> threads;
    threads.reserve(4);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                ScopedCriticalSection guard(section);
                ScopedCriticalSection again(section);  // re-entrant
                ++counter;
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(counter, 40000);
}

TEST(ReadWriteLock, WritersExcludeReaders) {
    ReadWriteLock lock;
    int a = 0, b = 0;
    std::atomic<bool> torn{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                WriteLockScope write(lock);
                ++a;
                ++b;
            }
        });
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                ReadLockScope read(lock);
                if (a != b) {
                    torn = true;
                }
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_FALSE(torn);
    EXPECT_EQ(a, 4000);
    // Several readers at once.
    lock.lockRead();
    lock.lockRead();
    lock.unlockRead();
    lock.unlockRead();
    lock.lockWrite();
    lock.unlockWrite();
}
