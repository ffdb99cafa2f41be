#pragma once

#include <string>

namespace tormakelin::fxcore {

// The script's String: a counted reference type holding bytes.
class ScriptString {
public:
    ScriptString() = default;
    explicit ScriptString(std::string text) : m_text(std::move(text)) {}

    // A String holding `text`, reusing a released one (and its text's storage) when there is one:
    // scripts copy every literal they pass, on every run.
    static ScriptString* make(std::string const& text);

    void addRef() { ++m_refCount; }
    void release()
    {
        if (--m_refCount == 0)
            recycle(this);
    }

    std::string& text() { return m_text; }
    std::string const& text() const { return m_text; }

private:
    friend struct ScriptStringPool;
    ~ScriptString() = default;
    static void recycle(ScriptString* released);

    int m_refCount = 1;
    std::string m_text;
};

} // namespace tormakelin::fxcore
