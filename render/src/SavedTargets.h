#pragma once
// Render target 0 and the depth surface as they were before a begin, set back at its end.
// Target switches go to the device directly, so the state manager is told to forget its copies.

#include <d3d9.h>

#include <tormakelin/render/BeginState.h>

namespace tormakelin::render {

// While saved, they are in the chain of begins in force, which a device loss ends innermost
// first, so every surface a begin saved still lives when it is set back.
class SavedTargets {
public:
    // Ends the owner's begin in force, refused begins included, restoring what was saved.
    using EndAtLoss = void (*)(void* owner);

    SavedTargets(EndAtLoss endAtLoss, void* owner) : m_endAtLoss(endAtLoss), m_owner(owner) {}
    ~SavedTargets() { drop(); }
    SavedTargets(const SavedTargets&) = delete;
    SavedTargets& operator=(const SavedTargets&) = delete;

    // Keeps render target 0 and, with `depth`, the depth surface; false without a device.
    bool save(bool depth);
    // Sets back what save kept and lets it go.
    void restore();
    bool isSaved() const { return m_saved; }

    // Ends every begin in force, the latest first.
    static void endAll();

private:
    void drop();
    void link();
    void unlink();

    EndAtLoss m_endAtLoss;
    void* m_owner;
    bool m_saved = false;
    bool m_hasDepth = false;
    IDirect3DSurface9* m_target = nullptr;
    IDirect3DSurface9* m_depth = nullptr;
    SavedTargets* m_earlier = nullptr;
    SavedTargets* m_later = nullptr;
    static inline SavedTargets* s_latest = nullptr;
};

// Sets render target 0 and tells the state manager.
bool setTarget(IDirect3DSurface9* surface);
// Sets the depth surface (null: none) and tells the state manager.
bool setDepth(IDirect3DSurface9* surface);
// A new reference to `surface` for a caller, or null.
IDirect3DSurface9* shareSurface(IDirect3DSurface9* surface);
// Ends every render target, render-target texture, texture drawn into and swap chain still
// begun, innermost first, so a device loss finds nothing holding the surfaces it must release.
void endBegunTargets();

} // namespace tormakelin::render
