#include <tormakelin/render/BlendMode.h>
#include <tormakelin/render/StateManager.h>

namespace tormakelin::render {

namespace {

struct BlendEntry {
    const char* name;
    D3DBLENDOP op;
    D3DBLEND source;
    D3DBLEND destination;
};

// Solid has no blend states: it only disables blending.
const BlendEntry kBlendModes[BlendMode_Count] = {
    {"Solid", D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ZERO},
    {"Alpha", D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
    {"Alpha Additive", D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
    {"Alpha Subtractive", D3DBLENDOP_REVSUBTRACT, D3DBLEND_BOTHSRCALPHA, D3DBLEND_ONE},
    {"Additive", D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ONE},
    {"Additive Screen", D3DBLENDOP_ADD, D3DBLEND_SRCCOLOR, D3DBLEND_ONE},
    {"Subtractive", D3DBLENDOP_SUBTRACT, D3DBLEND_ONE, D3DBLEND_ONE},
    {"Rev Subtractive", D3DBLENDOP_REVSUBTRACT, D3DBLEND_ONE, D3DBLEND_ONE},
    {"Screen", D3DBLENDOP_ADD, D3DBLEND_INVDESTCOLOR, D3DBLEND_ONE},
    {"Lighten", D3DBLENDOP_MAX, D3DBLEND_ONE, D3DBLEND_ONE},
    {"Darken", D3DBLENDOP_MIN, D3DBLEND_ONE, D3DBLEND_ONE},
    {"Multiply", D3DBLENDOP_ADD, D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},
};

} // namespace

void applyBlendMode(BlendMode mode)
{
    StateManager* states = g_stateManager;
    if (states == nullptr) {
        return;
    }
    if (mode == BlendMode_Solid) {
        states->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        return;
    }
    states->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    if (mode < BlendMode_Solid || mode >= BlendMode_Count) {
        return;
    }
    const BlendEntry& entry = kBlendModes[mode];
    states->SetRenderState(D3DRS_BLENDOP, entry.op);
    states->SetRenderState(D3DRS_SRCBLEND, entry.source);
    states->SetRenderState(D3DRS_DESTBLEND, entry.destination);
}

const char* blendModeToString(BlendMode mode)
{
    if (mode < BlendMode_Solid || mode >= BlendMode_Count) {
        return "Unknown";
    }
    return kBlendModes[mode].name;
}

} // namespace tormakelin::render
