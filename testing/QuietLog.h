#pragma once
// Readers say on the log why they refuse an input; a fuzz run feeds them hundreds of thousands of
// inputs a minute and wants crashes, not words, so its targets silence the log.

#include <tormakelin/core/Debug.h>

#include <string>

namespace tormakelin::test {

inline void silenceLog()
{
    core::setDebugCallback([](core::DebugType, std::string const&, int, std::string const&, std::string const&) {
        return true;
    });
}

} // namespace tormakelin::test
