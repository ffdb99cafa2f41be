#include <tormakelin/core/ChildGuard.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <vector>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tormakelin::core {

namespace {

[[noreturn]] void runInChild(std::function<void()> const& work) noexcept
{
    // The child dies quietly by the signal, whatever handlers the process installed (a
    // sanitizer's would turn a death into a report and an exit code).
    for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        std::signal(sig, SIG_DFL);
    }
    // Third-party diagnostics would read as the player's; the parent says what failed.
    if (int const null = open("/dev/null", O_WRONLY); null >= 0) {
        dup2(null, STDERR_FILENO);
    }
    // An escaping exception ends in terminate, so it counts as a death: the parent would
    // meet the same exception.
    work();
    _exit(0);
}

bool endedNormally(pid_t child)
{
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void killChild(pid_t child)
{
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
}

// Polling where the kernel gives no process descriptor.
bool pollChild(pid_t child, std::chrono::steady_clock::time_point until)
{
    int status = 0;
    for (auto wait = std::chrono::microseconds(50);; wait = std::min(wait * 2, std::chrono::microseconds(20000))) {
        pid_t const done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        if (done < 0) {
            return false;
        }
        if (std::chrono::steady_clock::now() > until) {
            killChild(child);
            return false;
        }
        std::this_thread::sleep_for(wait);
    }
}

std::atomic<bool> g_childrenSinceReclaim{false};

bool childEnds(std::function<void()> const& work, std::chrono::milliseconds deadline)
{
    pid_t const child = fork();
    if (child < 0) {
        return true;
    }
    g_childrenSinceReclaim = true;
    if (child == 0) {
        runInChild(work);
    }
    auto const until = std::chrono::steady_clock::now() + deadline;
    // A process descriptor wakes the wait the moment the child ends; polling would add up to
    // the last sleep to every try.
    int const descriptor = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (descriptor < 0) {
        return pollChild(child, until);
    }
    for (;;) {
        auto const left = std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd ready{descriptor, POLLIN, 0};
        int const result = poll(&ready, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
        if (result > 0) {
            close(descriptor);
            return endedNormally(child);
        }
        if (result == 0 || errno != EINTR) {
            close(descriptor);
            killChild(child);
            return false;
        }
    }
}

// Each run of resident pages of one private writable mapping, prefaulted writable. Untouched pages
// are left out: populating them would allocate them. Huge sparse mappings (a sanitizer's shadow)
// are looked at a window at a time.
void reclaimResidentPages(uintptr_t start, uintptr_t end, std::vector<unsigned char>& residency)
{
    size_t const page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    constexpr size_t kWindowPages = size_t(1) << 16;
    residency.resize(kWindowPages);
    for (uintptr_t window = start; window < end;) {
        size_t const pages = std::min<size_t>(kWindowPages, (end - window) / page);
        if (mincore(reinterpret_cast<void*>(window), pages * page, residency.data()) != 0) {
            return;
        }
        for (size_t first = 0; first < pages;) {
            if (!(residency[first] & 1)) {
                ++first;
                continue;
            }
            size_t last = first;
            while (last < pages && (residency[last] & 1)) {
                ++last;
            }
            madvise(reinterpret_cast<void*>(window + first * page), (last - first) * page, MADV_POPULATE_WRITE);
            first = last;
        }
        window += pages * page;
    }
}

} // namespace

void reclaimPagesAfterChildren()
{
    if (!g_childrenSinceReclaim.exchange(false)) {
        return;
    }
    FILE* maps = std::fopen("/proc/self/maps", "r");
    if (!maps) {
        return;
    }
    std::vector<unsigned char> residency;
    char line[512];
    while (std::fgets(line, sizeof line, maps)) {
        unsigned long start = 0, end = 0;
        char permissions[5] = {};
        // Shared mappings are not copied on write; read-only ones are never written.
        if (std::sscanf(line, "%lx-%lx %4s", &start, &end, permissions) == 3 && permissions[1] == 'w' &&
            permissions[3] == 'p') {
            reclaimResidentPages(start, end, residency);
        }
    }
    std::fclose(maps);
}

bool survivesInChild(std::string_view kind, std::string_view text, std::function<void()> const& work,
    std::chrono::milliseconds deadline)
{
    static std::mutex mutex;
    static std::unordered_set<std::string> survived;
    std::string key;
    key.reserve(kind.size() + 1 + text.size());
    key.append(kind).push_back('\0');
    key.append(text);
    {
        std::lock_guard<std::mutex> const lock(mutex);
        if (survived.count(key)) {
            return true;
        }
    }
    if (!childEnds(work, deadline)) {
        return false;
    }
    std::lock_guard<std::mutex> const lock(mutex);
    survived.insert(std::move(key));
    return true;
}

} // namespace tormakelin::core
