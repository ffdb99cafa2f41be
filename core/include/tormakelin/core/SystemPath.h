#pragma once
// Where the engine's path text meets the operating system.

#include <tormakelin/core/Export.h>

#include <cstdint>
#include <string>

namespace tormakelin::core {

// Separators turned into '/', then every component that is missing on disk matched ignoring
// case (the first match in name order), so that projects made on a case-blind file system
// open. Components that exist in no spelling stay as given (for files about to be created).
TORMAKELIN_CORE_API std::string toSystemPath(const std::string& path);

// Whether two paths name the same existing file (after the lookup above).
TORMAKELIN_CORE_API bool isSameFile(const std::string& a, const std::string& b);

// The running program's full path, of any length; empty when it cannot be read.
TORMAKELIN_CORE_API std::string getExecutablePath();

// 100-ns intervals since 1601-01-01.
TORMAKELIN_CORE_API uint64_t unixTimeToFileTime(int64_t seconds, int64_t nanoseconds);

} // namespace tormakelin::core
