#include "WaitHandle.h"

#include <climits>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tormakelin::core {

namespace {

struct ThreadHandle : WaitHandle {
    ThreadHandle() : WaitHandle(WaitHandle::Thread) {}

    pthread_t thread{};
    int suspendCount = 1;
    bool started = false;    // passed the gate
    bool cancelled = false;  // released without ever running
    bool joined = false;
    pid_t tid = 0;
    int nice = 0;
    bool niceSet = false;
};

ThreadHandle* threadHandle(WaitHandle* h) { return static_cast<ThreadHandle*>(h); }

int niceOf(ThreadPriority priority) {
    switch (priority) {
    case ThreadPriorityBelowNormal: return 5;
    case ThreadPriorityAboveNormal: return -5;
    default: return 0;
    }
}

bool applyNice(pid_t tid, int nice) { return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) == 0; }

}  // namespace

Thread::Thread(const char* name, unsigned int stackSize, bool startSuspended)
    : m_name(name ? name : ""), m_startSuspended(startSuspended) {
    auto* h = new ThreadHandle;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize > 0) {
        size_t size = stackSize < PTHREAD_STACK_MIN ? PTHREAD_STACK_MIN : stackSize;
        pthread_attr_setstacksize(&attributes, size);
    }
    m_handle = h;
    if (pthread_create(&h->thread, &attributes, &Thread::body, this) != 0) {
        delete h;
        m_handle = nullptr;
    }
    pthread_attr_destroy(&attributes);
}

Thread::~Thread() { stopAndWait(); }

WaitHandle* Thread::getHandle() const { return m_handle; }

int Thread::run() { return -1; }

void* Thread::body(void* self) {
    auto* thread = static_cast<Thread*>(self);
    ThreadHandle* h = threadHandle(thread->m_handle);
    // Visible to debuggers; the kernel keeps 15 characters.
    pthread_setname_np(pthread_self(), thread->m_name.substr(0, 15).c_str());
    bool runIt;
    {
        std::unique_lock<std::mutex> guard(waiting::lock());
        h->tid = static_cast<pid_t>(syscall(SYS_gettid));
        waiting::changed().wait(guard, [h] { return h->suspendCount <= 0 || h->cancelled; });
        runIt = !h->cancelled;
        h->started = runIt;
        if (runIt && h->niceSet) {
            applyNice(h->tid, h->nice);
        }
    }
    if (runIt) {
        thread->run();
    }
    std::lock_guard<std::mutex> guard(waiting::lock());
    waiting::abandonMutexesOf(std::this_thread::get_id());
    h->signalled = true;
    waiting::notify();
    return nullptr;
}

void Thread::stopAndWait() {
    if (!m_handle) {
        return;
    }
    ThreadHandle* h = threadHandle(m_handle);
    exit();
    {
        std::lock_guard<std::mutex> guard(waiting::lock());
        if (!h->started) {
            h->cancelled = true;
            waiting::notify();
        }
    }
    if (!h->joined) {
        pthread_join(h->thread, nullptr);
        h->joined = true;
    }
    delete h;
    m_handle = nullptr;
}

bool Thread::setPriority(ThreadPriority priority) {
    if (!m_handle) {
        return false;
    }
    ThreadHandle* h = threadHandle(m_handle);
    std::lock_guard<std::mutex> guard(waiting::lock());
    h->nice = niceOf(priority);
    h->niceSet = true;
    // Raising a priority needs privileges; a refusal leaves the thread as it was.
    return !h->started || applyNice(h->tid, h->nice);
}

int Thread::resume() {
    if (!m_handle) {
        return -1;
    }
    ThreadHandle* h = threadHandle(m_handle);
    std::lock_guard<std::mutex> guard(waiting::lock());
    int previous = h->suspendCount;
    if (h->suspendCount > 0) {
        --h->suspendCount;
        waiting::notify();
    }
    return previous;
}

int Thread::suspend() {
    if (!m_handle) {
        return -1;
    }
    ThreadHandle* h = threadHandle(m_handle);
    std::lock_guard<std::mutex> guard(waiting::lock());
    if (h->started || h->cancelled) {
        return -1;
    }
    return h->suspendCount++;
}

}  // namespace tormakelin::core
