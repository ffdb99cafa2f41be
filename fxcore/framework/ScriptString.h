#pragma once

#include <string>

namespace tormakelin::fxcore {

// The script's String: a counted reference type holding bytes.
class ScriptString {
public:
    ScriptString() = default;
    explicit ScriptString(std::string text) : m_text(std::move(text)) {}

    void addRef() { ++m_refCount; }
    void release()
    {
        if (--m_refCount == 0)
            delete this;
    }

    std::string& text() { return m_text; }
    std::string const& text() const { return m_text; }

private:
    ~ScriptString() = default;

    int m_refCount = 1;
    std::string m_text;
};

} // namespace tormakelin::fxcore
