#pragma once
// Draws scene graphs for one frame: updates them, picks the camera, gathers the lights, and
// draws the reflection, depth pre-pass, shadow and solid passes, then depth of field.

#include <vector>

#include <d3dx9math.h>

#include <tormakelin/core/UniqueId.h>
#include <tormakelin/kavro/Export.h>
#include <tormakelin/kavro/RenderPass.h>

namespace tormakelin::kavro {

class ISceneGraph;

struct SceneEntry {
    D3DXMATRIX world{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    ISceneGraph* graph = nullptr;  // not counted: the caller holds it for the call
};

struct SceneRenderState {
    float time = 0;
    float delta = 0;
    bool useGivenCamera = false;
    D3DXMATRIX view{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    D3DXMATRIX projection{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    D3DXVECTOR3 eye{0, 0, 0};
    core::UniqueId cameraId{};
    float ambientPower = 0;
    std::vector<LightRecord> lights;
    std::vector<MaterialSettings> materials;
    std::vector<IShaderParameter*> shaderParameters;
    std::vector<SceneEntry> entries;
    SceneSettings settings;
};

class TORMAKELIN_KAVRO_API ISceneRender {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual void render(const SceneRenderState& state) = 0;
    virtual ~ISceneRender() = default;
};

// A new renderer (count 0); the first live renderer makes the shared particle and flare
// renderers, the last one releases them.
TORMAKELIN_KAVRO_API ISceneRender* createSceneRender();

}  // namespace tormakelin::kavro
