#pragma once

#include <cstdint>

namespace tormakelin::fxcore::detail {

// Counts the changes of links between nodes anywhere, so that what is worked out from the links
// (the update order of a render stack, its effects) can tell when it has gone stale.
std::uint64_t linkGeneration();
void linksChanged();

} // namespace tormakelin::fxcore::detail
