// Saving the device states a technique changes at Begin and restoring them at End, unless the
// caller's flags say not to.
#include "FxEffect.h"

namespace fx {
namespace {

constexpr DWORD kVertexSampler0 = 257;

// Reads each device state once, the first time a pass of the technique names it.
struct StateSaver {
    IDirect3DDevice9* device;
    SavedStates& saved;
    bool shaders, samplers;

    void texture(DWORD stage) {
        if (saved.textures.count(stage)) return;
        IDirect3DBaseTexture9* t = nullptr;
        device->GetTexture(stage, &t);
        saved.textures[stage] = t;
    }

    void sampler(DWORD unit, DWORD type) {
        auto key = std::make_pair(unit, type);
        if (saved.sampler.count(key)) return;
        DWORD v = 0;
        device->GetSamplerState(unit, static_cast<D3DSAMPLERSTATETYPE>(type), &v);
        saved.sampler[key] = v;
    }

    void render(DWORD id) {
        if (saved.render.count(id)) return;
        DWORD v = 0;
        device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(id), &v);
        saved.render[id] = v;
    }

    void textureStage(DWORD stage, DWORD type) {
        auto key = std::make_pair(stage, type);
        if (saved.stage.count(key)) return;
        DWORD v = 0;
        device->GetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type), &v);
        saved.stage[key] = v;
    }

    void state(const PassState& st) {
        switch (st.info.kind) {
        case StateKind::Render: render(st.info.id); break;
        case StateKind::Sampler:
            if (samplers) sampler(static_cast<DWORD>(st.index), st.info.id);
            break;
        case StateKind::TextureStage: textureStage(static_cast<DWORD>(st.index), st.info.id); break;
        case StateKind::Texture:
            if (samplers) texture(static_cast<DWORD>(st.index));
            break;
        case StateKind::VertexShader:
        case StateKind::PixelShader: saved.shaders = saved.shaders || shaders; break;
        }
    }

    // The textures and sampler_state states of the samplers a program reads.
    void programSamplers(const StageBinding& b, DWORD firstStage) {
        for (const StageSampler& s : b.samplers) {
            const DWORD stage = firstStage + s.unit;
            texture(stage);
            for (const auto& st : s.setup->states) sampler(stage, st.info.id);
        }
    }
};

} // namespace

// Nothing is saved here yet: End restores what Begin saved and clears it.
void Effect::saveStates(DWORD flags) {
    if (!device_ || (flags & D3DXFX_DONOTSAVESTATE)) return;
    StateSaver save{device_, saved_, !(flags & D3DXFX_DONOTSAVESHADERSTATE), !(flags & D3DXFX_DONOTSAVESAMPLERSTATE)};
    for (const auto& pass : current_->passes) {
        for (const auto& st : pass->states) save.state(st);
        if (!save.samplers) continue;
        save.programSamplers(pass->vs, kVertexSampler0);
        save.programSamplers(pass->ps, 0);
    }
    if (saved_.shaders) {
        device_->GetVertexShader(&saved_.vs);
        device_->GetPixelShader(&saved_.ps);
    }
    saved_.active = true;
}

void Effect::restoreStates() {
    if (!saved_.active) return;
    for (const auto& [state, value] : saved_.render) setRenderState(state, value);
    for (const auto& [key, value] : saved_.sampler) setSamplerState(key.first, key.second, value);
    for (const auto& [key, value] : saved_.stage) setTextureStageState(key.first, key.second, value);
    for (auto& [stage, t] : saved_.textures) {
        setTexture(stage, t);
        if (t) t->Release();
    }
    if (saved_.shaders) {
        setVertexShader(saved_.vs);
        setPixelShader(saved_.ps);
        if (saved_.vs) saved_.vs->Release();
        if (saved_.ps) saved_.ps->Release();
    }
    saved_ = SavedStates{};
}

} // namespace fx
