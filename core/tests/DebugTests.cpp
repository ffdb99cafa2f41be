#include "TestSupport.h"

#include <tormakelin/core/Debug.h>
#include <tormakelin/core/ReportObject.h>
#include <tormakelin/core/SmartRef.h>

#include <gtest/gtest.h>

using namespace tormakelin::core;
using tormakelin::core::test::ScratchDir;

namespace {

struct Received {
    DebugType type;
    std::string file, context, message;
    int line;
};
Received g_received;
bool g_handled = true;

bool recordingCallback(DebugType type, const std::string& file, int line, const std::string& context,
                       const std::string& message)
{
    g_received = {type, file, context, message, line};
    return g_handled;
}

std::string debugOutputOf(DebugType type, const std::string& message)
{
    testing::internal::CaptureStderr();
    Debug(type, "scene", 12, "ctx") << message;
    return testing::internal::GetCapturedStderr();
}

class Reporter : public ReportObject {
public:
    explicit Reporter(std::vector<std::string>& out) : m_out(out) {}
    void report(const char* text) override { m_out.push_back(text); }

private:
    std::vector<std::string>& m_out;
};

} // namespace

TEST(Debug, WithoutCallbackWritesTheDebugOutput)
{
    setDebugCallback(nullptr);
    EXPECT_EQ(debugOutputOf(DebugInfo, "x"), "x\n");
    EXPECT_EQ(debugOutputOf(DebugWarning, "x"), "scene(12): WARNING: x\n");
    EXPECT_EQ(debugOutputOf(DebugAssert, "x"), "scene(12): ASSERT: x\n");
    EXPECT_EQ(debugOutputOf(DebugType(9), "x"), "");
}

TEST(Debug, CallbackReceivesEverythingAndCanHandOn)
{
    setDebugCallback(recordingCallback);
    g_handled = true;
    EXPECT_EQ(debugOutputOf(DebugWarning, "missing"), "");
    EXPECT_EQ(g_received.type, DebugWarning);
    EXPECT_EQ(g_received.file, "scene");
    EXPECT_EQ(g_received.line, 12);
    EXPECT_EQ(g_received.context, "ctx");
    EXPECT_EQ(g_received.message, "missing");
    g_handled = false;
    EXPECT_EQ(debugOutputOf(DebugWarning, "again"), "scene(12): WARNING: again\n");
    setDebugCallback(nullptr);
}

TEST(Debug, MessagesFormatNumbersInTheCLocale)
{
    setDebugCallback(recordingCallback);
    Debug(DebugInfo, "f", 1, "") << 1.5 << ' ' << 1000000;
    EXPECT_EQ(g_received.message, "1.5 1000000");
    setDebugCallback(nullptr);
}

TEST(Log, WritesEachMessageWithCrLfUntilShutdown)
{
    ScratchDir dir;
    const std::string path = dir.path() + "\\logs\\run.log";
    ASSERT_TRUE(logInit(path));
    Debug(DebugWarning, "file", 3, "ctx") << "abc";
    Debug(DebugInfo, "file", 3, "ctx") << "";
    logShutdown();
    EXPECT_EQ(dir.read("logs/run.log"), "abc\r\n\r\n");
    EXPECT_EQ(g_debugCallback, nullptr);
    EXPECT_EQ(debugOutputOf(DebugInfo, "after"), "after\n");
}

TEST(Log, FailedInitChangesNothing)
{
    ScratchDir dir;
    dir.write("file", "x");
    setDebugCallback(recordingCallback);
    EXPECT_FALSE(logInit(dir.path() + "/file/under/a/file.log"));
    EXPECT_EQ(g_debugCallback, &recordingCallback);
    logShutdown();
    EXPECT_EQ(g_debugCallback, &recordingCallback) << "shutdown leaves a foreign callback alone";
    setDebugCallback(nullptr);
}

TEST(ReportObject, CountsEachKindAndFormatsAnyLength)
{
    std::vector<std::string> out;
    SmartRef<Reporter> reporter(new Reporter(out));
    reporter->error("e%d", 1);
    reporter->error("e%d", 2);
    reporter->warning("w %s", "x");
    const int32_t* counters = reporter->getCounters();
    EXPECT_EQ(counters[0], 0);
    EXPECT_EQ(counters[1], 1);
    EXPECT_EQ(counters[2], 2);
    const std::string longText(9000, 'z');
    reporter->info("%s!", longText.c_str());
    EXPECT_EQ(counters[0], 1);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0], "e1");
    EXPECT_EQ(out[2], "w x");
    EXPECT_EQ(out[3].size(), 9001u);
}
