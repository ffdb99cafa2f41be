#pragma once
// The particle and flare renderers that every scene renderer carries to its passes.

namespace tormakelin::kavro {

class IParticleRender;
class IFlareRender;

struct SharedRenderers {
    IParticleRender* particles = nullptr;
    IFlareRender* flares = nullptr;
};

// Made with the first scene renderer, released with the last.
void acquireSharedRenderers(SharedRenderers& out);
void releaseSharedRenderers(SharedRenderers& shared);

}  // namespace tormakelin::kavro
