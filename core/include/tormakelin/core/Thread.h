#pragma once
// Threads and the objects they wait on: events, mutexes, semaphores and threads themselves,
// waited for one at a time or several at once.

#include <tormakelin/core/Export.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace tormakelin::core {

// What a waitable object's getHandle() returns; opaque.
struct WaitHandle;

// Abandoned (a mutex whose owner ended) and failed waits share 0.
enum WaitResult { WaitFailed = 0, WaitAbandoned = 0, WaitTimeout = 1, WaitSignalled = 2 };
enum ThreadPriority { ThreadPriorityBelowNormal = 0, ThreadPriorityNormal = 1, ThreadPriorityAboveNormal = 2 };

inline constexpr unsigned int WaitInfinite = 0xFFFFFFFFu;
inline constexpr unsigned int MaxWaitObjects = 64;

class TORMAKELIN_CORE_API IWaitableObject {
public:
    virtual WaitHandle* getHandle() const = 0;
    virtual ~IWaitableObject() = default;
};

// A thread running run(). The thread waits at a gate until resume(): a base constructor cannot
// start it, since run() would then race the derived constructor. A class created with
// startSuspended false resumes at the end of its own constructor; otherwise its owner does.
class TORMAKELIN_CORE_API Thread : public IWaitableObject {
public:
    Thread(const char* name, unsigned int stackSize, bool startSuspended);
    WaitHandle* getHandle() const override;
    // Sets the exit flag and waits for the thread. A derived class whose run() uses its own
    // members must call stopAndWait() in its destructor.
    ~Thread() override;
    virtual int run();

    void exit() { m_exiting.exchange(1); }
    bool isShuttingDown() const { return m_exiting.load() != 0; }
    bool isActive() const { return m_handle != nullptr; }
    bool isStartSuspended() const { return m_startSuspended; }
    const std::string& getName() const { return m_name; }

    bool setPriority(ThreadPriority priority);
    // The previous suspend count, or -1. A thread that has started cannot be suspended again.
    int resume();
    int suspend();

    static void sleep(unsigned int milliseconds);
    static void yield();
    static WaitResult waitHandle(WaitHandle* handle, unsigned int milliseconds, bool alertable);
    static WaitResult wait(IWaitableObject* object, unsigned int milliseconds, bool alertable);
    // WaitSignalled + 0 when all are signalled together.
    static int waitAll(unsigned int count, IWaitableObject** objects, unsigned int milliseconds, bool alertable);
    // WaitSignalled + the index of the first signalled object.
    static int waitAny(unsigned int count, IWaitableObject** objects, unsigned int milliseconds, bool alertable);

    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

protected:
    // Sets the exit flag, releases a thread that never started (it then skips run()) and joins.
    void stopAndWait();

private:
    static void* body(void* self);

    std::string m_name;
    WaitHandle* m_handle = nullptr;
    std::atomic<int32_t> m_exiting{0};
    bool m_startSuspended;
};

class TORMAKELIN_CORE_API Event : public IWaitableObject {
public:
    Event(bool manualReset, bool initialState, const char* name = nullptr);
    ~Event() override;
    WaitHandle* getHandle() const override { return m_handle; }
    void set();
    void reset();

    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

private:
    WaitHandle* m_handle;
};

// Owned by one thread at a time, recursively; waiting acquires it. When a Thread ends while
// holding it, the next wait takes it over and answers WaitAbandoned.
class TORMAKELIN_CORE_API Mutex : public IWaitableObject {
public:
    explicit Mutex(bool initialOwner, const char* name = nullptr);
    ~Mutex() override;
    WaitHandle* getHandle() const override { return m_handle; }
    // False when the calling thread does not own it.
    bool release();

    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

private:
    WaitHandle* m_handle;
};

class TORMAKELIN_CORE_API Semaphore : public IWaitableObject {
public:
    Semaphore(int initialCount, int maximumCount, const char* name = nullptr);
    ~Semaphore() override;
    WaitHandle* getHandle() const override { return m_handle; }
    // False (nothing changed) when the count would pass the maximum.
    bool release(int count, int* previous = nullptr);

    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

private:
    WaitHandle* m_handle;
};

class TORMAKELIN_CORE_API CriticalSection {
public:
    void enter() { m_mutex.lock(); }
    void leave() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

class ScopedCriticalSection {
public:
    explicit ScopedCriticalSection(CriticalSection& section) : m_section(section) { m_section.enter(); }
    ~ScopedCriticalSection() { m_section.leave(); }
    ScopedCriticalSection(const ScopedCriticalSection&) = delete;
    ScopedCriticalSection& operator=(const ScopedCriticalSection&) = delete;

private:
    CriticalSection& m_section;
};

}  // namespace tormakelin::core
