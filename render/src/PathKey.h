#pragma once
// How the caches compare paths: drive, separator kind and letter case do not matter.

#include <string>

#include <tormakelin/core/Path.h>
#include <tormakelin/core/String.h>

namespace tormakelin::render {

inline bool samePath(const std::string& a, const std::string& b)
{
    return core::compareIgnoreCase(core::fixPath(core::stripDrive(a)), core::fixPath(core::stripDrive(b))) == 0;
}

} // namespace tormakelin::render
