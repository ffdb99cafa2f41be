#pragma once
// Whether a target's begin is in force. A begin refused meanwhile (the target is already current)
// is matched by an end of its own, and that end must not undo the begin in force.

namespace tormakelin::render {

class BeginState {
public:
    // False, and counted, while a begin is in force.
    bool mayBegin()
    {
        if (m_begun) {
            ++m_refused;
            return false;
        }
        return true;
    }
    void begun() { m_begun = true; }
    // True when this end matches the begin in force; the caller then restores.
    bool mayEnd()
    {
        if (m_refused > 0) {
            --m_refused;
            return false;
        }
        const bool was = m_begun;
        m_begun = false;
        return was;
    }
    // Ends whatever is in force, refused begins included (device loss, destruction); true when
    // the caller must restore.
    bool forceEnd()
    {
        m_refused = 0;
        return mayEnd();
    }

private:
    bool m_begun = false;
    unsigned m_refused = 0;
};

} // namespace tormakelin::render
