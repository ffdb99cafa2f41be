#include "SharedRenderers.h"

#include <tormakelin/kavro/Flare.h>
#include <tormakelin/kavro/ParticleRender.h>

namespace tormakelin::kavro {

void acquireSharedRenderers(SharedRenderers& out)
{
    out.particles = createParticleRender();
    if (out.particles) {
        out.particles->addRef();
    }
    out.flares = createFlareRender();
    if (out.flares) {
        out.flares->addRef();
    }
}

void releaseSharedRenderers(SharedRenderers& shared)
{
    if (shared.particles) {
        shared.particles->release();
    }
    if (shared.flares) {
        shared.flares->release();
    }
    shared = SharedRenderers{};
}

}  // namespace tormakelin::kavro
