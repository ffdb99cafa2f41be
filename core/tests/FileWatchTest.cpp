#include <tormakelin/core/FileWatch.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace tormakelin::core;
namespace fs = std::filesystem;

namespace {

class Recorder : public IFileWatchListener {
public:
    void directoryChanged(const std::string& directory) override {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_events.push_back("dir:" + directory);
    }
    void fileChanged(const FileInfo& file) override {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_events.push_back("file:" + file.name);
        m_lastTime = file.lastWriteTime;
    }
    std::vector<std::string> events() {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_events;
    }
    uint64_t lastTime() {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_lastTime;
    }
    bool waitFor(size_t count) {
        for (int i = 0; i < 500 && events().size() < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return events().size() >= count;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_events;
    uint64_t m_lastTime = 0;
};

class FileWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tormakelin-watch-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        write("a.txt", "one");
    }
    void TearDown() override { fs::remove_all(m_dir); }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(m_dir + "/" + name) << text;
    }
    // A last-write time no clock tick can blur.
    void setTime(const std::string& name, time_t seconds) {
        timespec times[2] = {{seconds, 0}, {seconds, 0}};
        utimensat(AT_FDCWD, (m_dir + "/" + name).c_str(), times, 0);
    }
    std::string m_dir;
};

}  // namespace

TEST_F(FileWatchTest, ChangedFileIsReportedAfterTheDirectory) {
    Recorder recorder;
    FileWatch watch(m_dir, false);
    ASSERT_TRUE(watch.isWatching());
    ASSERT_TRUE(watch.registerListener(&recorder));
    setTime("a.txt", 1000000000);
    ASSERT_TRUE(recorder.waitFor(2));
    std::vector<std::string> events = recorder.events();
    EXPECT_EQ(events[0], "dir:" + m_dir);
    EXPECT_EQ(events[1], "file:" + m_dir + "\\a.txt");
    // 2001-09-09 01:46:40 UTC in 100-ns steps since 1601.
    EXPECT_EQ(recorder.lastTime(), (1000000000ULL + 11644473600ULL) * 10000000ULL);
    EXPECT_TRUE(watch.unregisterListener(&recorder));
    EXPECT_FALSE(watch.unregisterListener(&recorder));
    EXPECT_FALSE(watch.registerListener(nullptr));
}

TEST_F(FileWatchTest, NewFileOnlyChangesTheDirectory) {
    Recorder recorder;
    FileWatch watch(m_dir, false);
    watch.registerListener(&recorder);
    // Moved in whole, so that the new file changes only once.
    std::string outside = m_dir + "-b.txt";
    std::ofstream(outside) << "new";
    fs::rename(outside, m_dir + "/b.txt");
    ASSERT_TRUE(recorder.waitFor(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (const std::string& e : recorder.events()) {
        EXPECT_EQ(e.rfind("dir:", 0), 0u) << e;
    }
}

TEST_F(FileWatchTest, RecursiveWatchSeesSubfolders) {
    fs::create_directory(m_dir + "/sub");
    write("sub/c.txt", "deep");
    Recorder recorder;
    FileWatch watch(m_dir, true);
    watch.registerListener(&recorder);
    setTime("sub/c.txt", 1200000000);
    ASSERT_TRUE(recorder.waitFor(2));
    bool sawFile = false;
    for (const std::string& e : recorder.events()) {
        sawFile = sawFile || e == "file:" + m_dir + "\\sub\\c.txt";
    }
    EXPECT_TRUE(sawFile);
}

TEST(FileWatch, MissingFolderEndsItsThreadAtOnce) {
    auto started = std::chrono::steady_clock::now();
    FileWatch watch("/tmp/tormakelin-no-such-folder-at-all", false);
    EXPECT_FALSE(watch.isWatching());
    // The thread has nothing to wait on and ends instead of spinning.
    EXPECT_EQ(Thread::wait(&watch, 2000, false), WaitSignalled);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}
