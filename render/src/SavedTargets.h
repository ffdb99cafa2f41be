#pragma once
// Render target 0 and the depth surface as they were before a begin, set back at its end.
// Target switches go to the device directly, so the state manager is told to forget its copies.

#include <d3d9.h>

#include <tormakelin/render/BeginState.h>

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

// Sets render target 0 and tells the state manager.
bool setTarget(IDirect3DSurface9* surface);
// Sets the depth surface (null: none) and tells the state manager.
bool setDepth(IDirect3DSurface9* surface);
// A new reference to `surface` for a caller, or null.
IDirect3DSurface9* shareSurface(IDirect3DSurface9* surface);
// Ends every render target and render-target texture still begun, innermost first, so a device
// loss finds nothing holding the surfaces it must release.
void endBegunTargets();

} // namespace tormakelin::render
