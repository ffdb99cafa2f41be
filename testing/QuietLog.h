#pragma once
// Readers say on the log why they refuse an input; a fuzz run feeds them hundreds of thousands of
// inputs a minute and wants crashes, not words, so its targets silence the log. Tests that check
// what is said catch it instead.

#include <tormakelin/core/Debug.h>

#include <string>
#include <vector>

namespace tormakelin::test {

inline void silenceLog()
{
    core::setDebugCallback([](core::DebugType, std::string const&, int, std::string const&, std::string const&) {
        return true;
    });
}

// Collects every message reported while it lives, instead of logging it; puts the earlier
// callback back when it goes.
class LogCatcher {
public:
    LogCatcher() : m_previous(core::g_debugCallback), m_outer(s_current)
    {
        s_current = this;
        core::setDebugCallback(&collect);
    }
    ~LogCatcher()
    {
        s_current = m_outer;
        core::setDebugCallback(m_previous);
    }
    LogCatcher(LogCatcher const&) = delete;
    LogCatcher& operator=(LogCatcher const&) = delete;

    std::vector<std::string> const& messages() const { return m_messages; }

private:
    static bool collect(core::DebugType, std::string const&, int, std::string const&, std::string const& message)
    {
        if (s_current)
            s_current->m_messages.push_back(message);
        return true;
    }

    inline static LogCatcher* s_current = nullptr;
    core::DebugCallback const m_previous;
    LogCatcher* const m_outer;
    std::vector<std::string> m_messages;
};

} // namespace tormakelin::test
