#pragma once

#include <tormakelin/fxcore/Serializer.h>

#include <functional>
#include <string>

namespace tormakelin::fxcore::detail {

// Loading: visits every child element of the current node in document order, each one
// current while the visitor runs.
void forEachChild(ISerializer* serializer, std::function<void(std::string const& name)> const& visit);

} // namespace tormakelin::fxcore::detail
