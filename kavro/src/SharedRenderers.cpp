#include "SharedRenderers.h"

namespace tormakelin::kavro {

// The particle and flare renderers are not part of the library yet: both slots stay empty,
// and nodes that would draw through them draw nothing.
void acquireSharedRenderers(SharedRenderers& out) { out = SharedRenderers{}; }

void releaseSharedRenderers(SharedRenderers& shared) { shared = SharedRenderers{}; }

}  // namespace tormakelin::kavro
