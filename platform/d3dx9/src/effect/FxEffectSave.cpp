// Saving the device states a technique changes at Begin and restoring them at End, unless the
// caller's flags say not to.
#include "FxEffect.h"

namespace fx {

void Effect::saveStates(DWORD flags) {
    saved_ = SavedStates{};
    if (!device_ || (flags & D3DXFX_DONOTSAVESTATE)) return;
    bool shaders = !(flags & D3DXFX_DONOTSAVESHADERSTATE);
    bool samplers = !(flags & D3DXFX_DONOTSAVESAMPLERSTATE);
    auto texture = [&](DWORD stage) {
        if (saved_.textures.count(stage)) return;
        IDirect3DBaseTexture9* t = nullptr;
        device_->GetTexture(stage, &t);
        saved_.textures[stage] = t;
    };
    auto sampler = [&](DWORD unit, DWORD type) {
        auto key = std::make_pair(unit, type);
        if (saved_.sampler.count(key)) return;
        DWORD v = 0;
        device_->GetSamplerState(unit, static_cast<D3DSAMPLERSTATETYPE>(type), &v);
        saved_.sampler[key] = v;
    };
    for (const auto& pass : current_->passes) {
        for (const auto& st : pass->states) {
            DWORD v = 0;
            switch (st.info.kind) {
            case StateKind::Render:
                if (!saved_.render.count(st.info.id)) {
                    device_->GetRenderState(static_cast<D3DRENDERSTATETYPE>(st.info.id), &v);
                    saved_.render[st.info.id] = v;
                }
                break;
            case StateKind::Sampler:
                if (samplers) sampler(static_cast<DWORD>(st.index), st.info.id);
                break;
            case StateKind::TextureStage: {
                auto key = std::make_pair(static_cast<DWORD>(st.index), st.info.id);
                if (!saved_.stage.count(key)) {
                    device_->GetTextureStageState(key.first, static_cast<D3DTEXTURESTAGESTATETYPE>(key.second), &v);
                    saved_.stage[key] = v;
                }
                break;
            }
            case StateKind::Texture:
                if (samplers) texture(static_cast<DWORD>(st.index));
                break;
            case StateKind::VertexShader:
            case StateKind::PixelShader:
                saved_.shaders = saved_.shaders || shaders;
                break;
            }
        }
        if (!samplers) continue;
        for (const StageBinding* b : {&pass->vs, &pass->ps})
            for (const auto& [unit, sp] : b->samplers) {
                DWORD stage = b == &pass->vs ? 257 + unit : unit;
                texture(stage);
                int idx = paramIndex(sp);
                if (idx >= 0)
                    for (const auto& st : samplerSetups_[static_cast<size_t>(idx)].states) sampler(stage, st.info.id);
            }
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
