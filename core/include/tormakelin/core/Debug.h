#pragma once
// Diagnostics: one-shot messages to a process-wide callback or else the debug output (stderr),
// and the log file that installs itself as that callback.

#include <tormakelin/core/Export.h>

#include <sstream>
#include <string>

namespace tormakelin::core {

enum DebugType : int { DebugInfo = 0, DebugWarning = 1, DebugAssert = 2 };

// True from the callback means the message was handled and nothing more is printed.
using DebugCallback = bool (*)(DebugType type, const std::string& file, int line, const std::string& context,
                               const std::string& message);

TORMAKELIN_CORE_API extern DebugCallback g_debugCallback;

TORMAKELIN_CORE_API void setDebugCallback(DebugCallback callback);

// Collects a message with << and hands it on when destroyed:
//   core::Debug(core::DebugWarning, __FILE__, __LINE__, "scene") << "missing " << name;
class TORMAKELIN_CORE_API Debug {
public:
    Debug(DebugType type, const std::string& file, int line, const std::string& context);
    ~Debug();
    Debug(const Debug&) = delete;
    Debug& operator=(const Debug&) = delete;

    template <class T>
    Debug& operator<<(const T& value)
    {
        m_stream << value;
        return *this;
    }
    std::ostream& stream() { return m_stream; }

private:
    DebugType m_type;
    std::string m_file;
    std::string m_context;
    int m_line;
    std::ostringstream m_stream;
};

// Creates (emptying) the log file and sends every message there; false, and nothing changed,
// when the file cannot be created.
TORMAKELIN_CORE_API bool logInit(const std::string& path);
TORMAKELIN_CORE_API void logShutdown();

TORMAKELIN_CORE_API void enableMemoryTracker();

} // namespace tormakelin::core
