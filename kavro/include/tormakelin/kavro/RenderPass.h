#pragma once
// The per-frame arguments of node update and render.

#include <cstdint>
#include <string>
#include <vector>

#include <d3dx9math.h>

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/Export.h>
#include <tormakelin/render/RenderTarget.h>

namespace tormakelin::render {
class IShader;
}

namespace tormakelin::kavro {

class IShaderParameter;
class IParticleRender;
class IFlareRender;

enum LightType : uint32_t { LightType_Point = 0, LightType_Directional = 1, LightType_Spot = 2 };

// One light of a frame's light list (56 bytes).
struct LightRecord {
    uint32_t type = LightType_Point;
    D3DXVECTOR3 position{0, 0, 0};
    D3DXVECTOR3 direction{0, 0, 0};
    D3DXVECTOR4 colour{1, 1, 1, 1};
    float radius = 0;
    float innerCone = 0;
    float outerCone = 0;
};
static_assert(sizeof(LightRecord) == 56);

// The scene is updated in these phases each frame, in this order.
enum UpdatePhase : int {
    UpdatePhase_Evaluate = 0, // animated values and transformations at the frame's time
    UpdatePhase_Matrices = 1, // world matrices and the lights' world records
    UpdatePhase_Apply = 2,    // work that needs both: particles, camera aspect, mesh lights
    UpdatePhase_Count = 3,
};

struct UpdateContext {
    float time = 0;
    float delta = 0;
    int phase = UpdatePhase_Evaluate;
    D3DXMATRIX parentMatrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const std::vector<LightRecord>* lights = nullptr;
    bool recurse = true;
    // Camera position: particles sort and fade by it.
    D3DXVECTOR3 eye{0, 0, 0};
    // Cleared when a graph that another entry shares is placed again in the same frame: its
    // time-driven work (particle steps, spawns) has run already; only matrices are redone.
    bool advance = true;
};

enum RenderTechnique : int {
    RenderTechnique_Shadow = 0,
    RenderTechnique_ZPass = 1,
    RenderTechnique_Solid = 2,
    RenderTechnique_Blended = 3,
    RenderTechnique_ReflectiveMask = 4,
    RenderTechnique_Reflective = 5,
};

TORMAKELIN_KAVRO_API const char* getTechniqueName(int technique);

// Settings an effect graph gives a material by name for one frame.
struct MaterialSettings {
    std::string name;
    D3DXVECTOR4 ambient{0, 0, 0, 1};
    D3DXVECTOR4 diffuse{1, 1, 1, 1};
    D3DXVECTOR4 specular{1, 1, 1, 1};
    D3DXVECTOR4 emissive{0, 0, 0, 1};
    float opacity = 1;
    float specularLevel = 1;
    float glossiness = 128;
    uint32_t type = 0;
    uint8_t twoSided = 0;
    int blendMode = 0;
    D3DXVECTOR4 embm{0.5f, 0.5f, 0.5f, 0.5f};
    render::IShader* shader = nullptr;  // when the graph gives its own effect (not counted)
    // The material's own parameters, bound before the pass's (not counted); a material's own
    // update empties the list, so only the graph's settings of the current frame fill it.
    std::vector<IShaderParameter*> shaderParameters;
};

using TargetRef = core::SmartRef<render::IRenderTargetTexture>;

// Shadow, reflection, fog, depth-of-field and depth pre-pass settings of one frame. The targets
// are counted, so a copy holds its own references.
struct SceneSettings {
    bool shadowEnabled = false;
    D3DXVECTOR4 shadowColour{0, 0, 0, 1};
    float shadowZMin = 1;
    float shadowZMax = 256;
    float shadowDistance = 128;
    D3DXVECTOR3 shadowLightPosition{0, 200, 0};
    D3DXVECTOR3 shadowTargetPosition{2, 0, 0};
    float shadowExponent = 30;
    float shadowSmoothStepMin = 0.5f;
    float shadowSmoothStepMax = 1;
    TargetRef shadowTarget;
    bool shadowBlur = false;
    TargetRef shadowBlurDownsample;
    TargetRef shadowBlurVertical;
    TargetRef shadowBlurHorizontal;
    bool reflectionEnabled = false;
    float reflectionY = 0;
    TargetRef reflectionTarget;
    bool reflectionBlur = false;
    float reflectionBlurWidth = 1;
    TargetRef reflectionBlurVertical;
    TargetRef reflectionBlurHorizontal;
    bool fogEnabled = false;
    float fogStart = 0;
    float fogEnd = 128;
    D3DXVECTOR4 fogColour{1, 1, 1, 1};
    bool dofEnabled = false;
    float dofNear = 0.1f;
    float dofFar = 0.9f;
    float dofBlurWidth = 1;
    TargetRef dofBlurTarget;
    TargetRef dofBlurVertical;
    TargetRef dofBlurHorizontal;
    bool zPassEnabled = false;
    TargetRef zPassTarget;
};

struct RenderPass {
    int technique = RenderTechnique_Solid;
    float time = 0;
    float delta = 0;
    D3DXMATRIX view{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    D3DXMATRIX projection{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    D3DXMATRIX world{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    D3DXVECTOR3 eye{0, 0, 0};
    bool reflectedView = false;
    float ambientPower = 0;
    std::vector<LightRecord> lights;
    std::vector<MaterialSettings> materials;
    std::vector<IShaderParameter*> shaderParameters;
    std::vector<D3DXMATRIX> bones;
    SceneSettings settings;
    // Set in the reflection passes: the material then draws through the reflection stencil.
    bool reflectionPass = false;
    // The shared renderers that particle systems and flares draw through (not counted); when
    // unset, the live ones.
    IParticleRender* particleRender = nullptr;
    IFlareRender* flareRender = nullptr;
    // Moves flare quads; the scene renderer leaves it at zero.
    D3DXVECTOR3 flareOffset{0, 0, 0};
};

}  // namespace tormakelin::kavro
