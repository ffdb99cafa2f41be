#pragma once
// Names of the states a pass or a sampler_state block can assign, with their numeric values.
#include <cstdint>
#include <string>

namespace fx {

enum class StateKind { Render, Sampler, TextureStage, Texture, VertexShader, PixelShader };

struct StateInfo {
    StateKind kind;
    uint32_t id;              // D3DRS_*, D3DSAMP_*, D3DTSS_* value
    const char* enumTable;    // name of the value table, or null
    bool isFloat;             // the value is a float's bits
};

// Looks a state name up (case-insensitive); false when unknown.
bool findState(const std::string& name, StateInfo& out);

// Value of an enumerator of a state's table ("SrcAlpha", "D3DBLEND_SRCALPHA", ...).
bool findStateValue(const char* table, const std::string& name, uint32_t& value);

} // namespace fx
