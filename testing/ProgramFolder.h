#pragma once
// Where the build puts the programs a test or benchmark runs beside: its own folder.

#include <tormakelin/core/SystemPath.h>

#include <filesystem>

namespace tormakelin::test {

inline std::filesystem::path programFolder()
{
    return std::filesystem::path(core::getExecutablePath()).parent_path();
}

// The player with the sample project packed onto it.
inline std::filesystem::path samplePath()
{
    return programFolder() / "Tormakelin.Sample";
}

} // namespace tormakelin::test
