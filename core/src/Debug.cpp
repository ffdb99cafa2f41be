#include <tormakelin/core/Debug.h>
#include <tormakelin/core/FileStream.h>
#include <tormakelin/core/String.h>

#include <cstdio>
#include <locale>

namespace tormakelin::core {

DebugCallback g_debugCallback = nullptr;

namespace {

FileStream* g_logFile = nullptr;

// What the original wrote to an attached debugger goes to stderr here.
void outputDebugText(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

bool logCallback(DebugType, const std::string&, int, const std::string&, const std::string& message)
{
    if (g_logFile) {
        if (!message.empty()) {
            g_logFile->write(message.data(), unsigned(message.size()));
        }
        g_logFile->write("\r\n", 2);
    }
    return true;
}

} // namespace

void setDebugCallback(DebugCallback callback) { g_debugCallback = callback; }

Debug::Debug(DebugType type, const std::string& file, int line, const std::string& context)
    : m_type(type), m_file(file), m_context(context), m_line(line)
{
    m_stream.imbue(std::locale::classic());
}

Debug::~Debug()
{
    const std::string message = m_stream.str();
    if (g_debugCallback && g_debugCallback(m_type, m_file, m_line, m_context, message)) {
        return;
    }
    switch (m_type) {
    case DebugInfo: outputDebugText(message + "\n"); break;
    case DebugWarning: outputDebugText(formatString("%s(%d): WARNING: %s\n", m_file.c_str(), m_line, message.c_str())); break;
    case DebugAssert: outputDebugText(formatString("%s(%d): ASSERT: %s\n", m_file.c_str(), m_line, message.c_str())); break;
    }
}

bool logInit(const std::string& path)
{
    auto* file = new FileStream;
    if (!file->create(path, true)) {
        delete file;
        return false;
    }
    delete g_logFile;
    g_logFile = file;
    g_debugCallback = logCallback;
    return true;
}

void logShutdown()
{
    if (g_debugCallback == logCallback) {
        g_debugCallback = nullptr;
    }
    delete g_logFile;
    g_logFile = nullptr;
}

void enableMemoryTracker() {}

} // namespace tormakelin::core
