#pragma once
// Render target 0 and the depth surface as they were before a begin, set back at its end.
// Target switches go to the device directly, so the state manager is told to forget its copies.

#include <d3d9.h>

namespace tormakelin::render {

class SavedTargets {
public:
    SavedTargets() = default;
    ~SavedTargets() { drop(); }
    SavedTargets(const SavedTargets&) = delete;
    SavedTargets& operator=(const SavedTargets&) = delete;

    // Keeps render target 0 and, with `depth`, the depth surface; false without a device.
    bool save(bool depth);
    // Sets back what save kept and lets it go.
    void restore();
    bool isSaved() const { return m_saved; }

private:
    void drop();

    bool m_saved = false;
    bool m_hasDepth = false;
    IDirect3DSurface9* m_target = nullptr;
    IDirect3DSurface9* m_depth = nullptr;
};

// Whether a target's begin is in force. A begin refused meanwhile (the target is already current)
// is matched by an end of its own, and that end must not undo the begin in force.
class BeginState {
public:
    bool isBegun() const { return m_begun; }
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

// Sets render target 0 and tells the state manager.
bool setTarget(IDirect3DSurface9* surface);
// Sets the depth surface (null: none) and tells the state manager.
bool setDepth(IDirect3DSurface9* surface);
// A new reference to `surface` for a caller, or null.
IDirect3DSurface9* shareSurface(IDirect3DSurface9* surface);

} // namespace tormakelin::render
