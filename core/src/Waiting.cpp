#include "WaitHandle.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <set>
#include <sched.h>

namespace tormakelin::core {

namespace waiting {

std::mutex& lock() {
    static std::mutex m;
    return m;
}

std::condition_variable& changed() {
    static std::condition_variable c;
    return c;
}

void notify() { changed().notify_all(); }

namespace {

std::set<WaitHandle*>& mutexes() {
    static std::set<WaitHandle*> all;
    return all;
}

}  // namespace

void addMutex(WaitHandle* mutex) { mutexes().insert(mutex); }
void removeMutex(WaitHandle* mutex) { mutexes().erase(mutex); }

void abandonMutexesOf(std::thread::id thread) {
    for (WaitHandle* mutex : mutexes()) {
        if (mutex->recursion > 0 && mutex->owner == thread) {
            mutex->recursion = 0;
            mutex->owner = std::thread::id();
            mutex->abandoned = true;
        }
    }
}

}  // namespace waiting

namespace {

bool isReady(const WaitHandle& h, std::thread::id self) {
    switch (h.kind) {
    case WaitHandle::Mutex: return h.recursion == 0 || h.owner == self;
    case WaitHandle::Semaphore: return h.count > 0;
    default: return h.signalled;
    }
}

// False when the object was an abandoned mutex: the waiter owns it now, but is told.
bool acquire(WaitHandle& h, std::thread::id self) {
    switch (h.kind) {
    case WaitHandle::Mutex:
        h.owner = self;
        ++h.recursion;
        if (h.abandoned) {
            h.abandoned = false;
            return false;
        }
        break;
    case WaitHandle::Semaphore: --h.count; break;
    case WaitHandle::Event:
        if (!h.manualReset) {
            h.signalled = false;
        }
        break;
    default: break;
    }
    return true;
}

bool validHandles(WaitHandle* const* handles, unsigned int count) {
    if (count == 0 || count > MaxWaitObjects) {
        return false;
    }
    return std::all_of(handles, handles + count, [](const WaitHandle* h) { return h != nullptr; });
}

// Takes every handle once all are ready at the same time; nothing while one is not.
std::optional<int> tryTakeAll(WaitHandle* const* handles, unsigned int count, std::thread::id self) {
    for (unsigned int i = 0; i < count; ++i) {
        if (!isReady(*handles[i], self)) {
            return std::nullopt;
        }
    }
    bool clean = true;
    for (unsigned int i = 0; i < count; ++i) {
        clean = acquire(*handles[i], self) && clean;
    }
    return clean ? WaitSignalled : WaitAbandoned;
}

// Takes the first ready handle, lowest index first.
std::optional<int> tryTakeAny(WaitHandle* const* handles, unsigned int count, std::thread::id self) {
    for (unsigned int i = 0; i < count; ++i) {
        if (isReady(*handles[i], self)) {
            return acquire(*handles[i], self) ? WaitSignalled + static_cast<int>(i) : WaitAbandoned;
        }
    }
    return std::nullopt;
}

// False once the deadline has passed; else sleeps until some object changes or the deadline.
bool awaitChange(std::unique_lock<std::mutex>& guard, unsigned int milliseconds,
                 std::chrono::steady_clock::time_point deadline) {
    if (milliseconds == WaitInfinite) {
        waiting::changed().wait(guard);
        return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
        return false;
    }
    waiting::changed().wait_until(guard, deadline);
    return true;
}

// WaitSignalled + index, WaitTimeout, WaitAbandoned, or WaitFailed for bad arguments.
int waitFor(WaitHandle** handles, unsigned int count, bool all, unsigned int milliseconds) {
    if (!validHandles(handles, count)) {
        return WaitFailed;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> guard(waiting::lock());
    for (;;) {
        const std::optional<int> taken = all ? tryTakeAll(handles, count, self) : tryTakeAny(handles, count, self);
        if (taken) {
            return *taken;
        }
        if (!awaitChange(guard, milliseconds, deadline)) {
            return WaitTimeout;
        }
    }
}

int waitForObjects(unsigned int count, IWaitableObject** objects, bool all, unsigned int milliseconds) {
    if (!objects || count == 0 || count > MaxWaitObjects) {
        return WaitFailed;
    }
    WaitHandle* handles[MaxWaitObjects];
    for (unsigned int i = 0; i < count; ++i) {
        handles[i] = objects[i] ? objects[i]->getHandle() : nullptr;
    }
    return waitFor(handles, count, all, milliseconds);
}

}  // namespace

WaitResult Thread::waitHandle(WaitHandle* handle, unsigned int milliseconds, bool) {
    return static_cast<WaitResult>(waitFor(&handle, 1, true, milliseconds));
}

WaitResult Thread::wait(IWaitableObject* object, unsigned int milliseconds, bool alertable) {
    return object ? waitHandle(object->getHandle(), milliseconds, alertable) : WaitFailed;
}

int Thread::waitAll(unsigned int count, IWaitableObject** objects, unsigned int milliseconds, bool) {
    return waitForObjects(count, objects, true, milliseconds);
}

int Thread::waitAny(unsigned int count, IWaitableObject** objects, unsigned int milliseconds, bool) {
    return waitForObjects(count, objects, false, milliseconds);
}

void Thread::sleep(unsigned int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

void Thread::yield() { sched_yield(); }

Event::Event(bool manualReset, bool initialState, const char*) : m_handle(new WaitHandle(WaitHandle::Event)) {
    m_handle->manualReset = manualReset;
    m_handle->signalled = initialState;
}

Event::~Event() { delete m_handle; }

void Event::set() {
    std::lock_guard<std::mutex> guard(waiting::lock());
    m_handle->signalled = true;
    waiting::notify();
}

void Event::reset() {
    std::lock_guard<std::mutex> guard(waiting::lock());
    m_handle->signalled = false;
}

Mutex::Mutex(bool initialOwner, const char*) : m_handle(new WaitHandle(WaitHandle::Mutex)) {
    std::lock_guard<std::mutex> guard(waiting::lock());
    waiting::addMutex(m_handle);
    if (initialOwner) {
        m_handle->owner = std::this_thread::get_id();
        m_handle->recursion = 1;
    }
}

Mutex::~Mutex() {
    {
        std::lock_guard<std::mutex> guard(waiting::lock());
        waiting::removeMutex(m_handle);
    }
    delete m_handle;
}

bool Mutex::release() {
    std::lock_guard<std::mutex> guard(waiting::lock());
    if (m_handle->recursion == 0 || m_handle->owner != std::this_thread::get_id()) {
        return false;
    }
    if (--m_handle->recursion == 0) {
        m_handle->owner = std::thread::id();
        waiting::notify();
    }
    return true;
}

Semaphore::Semaphore(int initialCount, int maximumCount, const char*)
    : m_handle(new WaitHandle(WaitHandle::Semaphore)) {
    m_handle->maximum = maximumCount > 0 ? maximumCount : 1;
    m_handle->count = initialCount < 0 ? 0 : (initialCount > m_handle->maximum ? m_handle->maximum : initialCount);
}

Semaphore::~Semaphore() { delete m_handle; }

bool Semaphore::release(int count, int* previous) {
    std::lock_guard<std::mutex> guard(waiting::lock());
    if (count <= 0 || count > m_handle->maximum - m_handle->count) {
        return false;
    }
    if (previous) {
        *previous = m_handle->count;
    }
    m_handle->count += count;
    waiting::notify();
    return true;
}

}  // namespace tormakelin::core
