#include "Output.h"
#include "State.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <vector>

namespace bass {

namespace {

// Consumes the mix at the device's rate by the clock, so positions advance as if heard.
class NullOutput : public Output {
public:
    NullOutput(int rate, bool manual) : rate_(rate), manual_(manual), start_(Clock::now()) {
        if (!manual)
            thread_ = std::thread([this] { run(); });
    }
    ~NullOutput() override { stop(); }

    void stop() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kPeriod = std::chrono::milliseconds(5);
    static constexpr int64_t kMaxFrames = 4096;

    // A reader of positions sees the clock's time even when the mixing thread has fallen behind
    // (a loaded machine).
    void catchUp() override {
        if (!manual_)
            mixDue();
    }

    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!wake_.wait_for(lock, kPeriod, [this] { return stopping_; })) {
            lock.unlock();
            mixDue();
            lock.lock();
        }
    }

    // After a stall it catches up in bounded pieces, as a device would play them.
    void mixDue() {
        std::lock_guard<std::mutex> lock(mixMutex_);
        double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
        int64_t due = int64_t(elapsed * rate_) - consumed_;
        while (due > 0) {
            int64_t n = std::min<int64_t>(due, kMaxFrames);
            mix(buffer_.data(), size_t(n));
            consumed_ += n;
            due -= n;
        }
    }

    int rate_;
    bool manual_;
    Clock::time_point start_;
    std::mutex mixMutex_;  // one mix at a time: the thread's or a reader's catch-up
    int64_t consumed_ = 0;
    std::vector<float> buffer_ = std::vector<float>(size_t(kMaxFrames) * 2);
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

}  // namespace

std::unique_ptr<Output> openNullOutput(int rate, bool manual) {
    return std::make_unique<NullOutput>(rate, manual);
}

}  // namespace bass
