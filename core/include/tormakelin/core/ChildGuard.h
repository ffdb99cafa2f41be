#pragma once
// Trying a piece of work in a forked child first, for third-party code that may kill the
// process on hostile input.

#include <tormakelin/core/Export.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace tormakelin::core {

// Runs work once in a child process for each distinct (kind, text) that has not survived
// before. False when the child did not end normally within the deadline (killed then): the
// caller must not run the work itself. True also when no child could be made. A child costs
// a fork and a wait (milliseconds, more in a large process); survivors are remembered for
// the life of the process, failures are not. The child touches nothing the parent sees, so
// work must not rely on side effects; it must not touch a GL context either.
TORMAKELIN_CORE_API bool survivesInChild(std::string_view kind, std::string_view text,
    std::function<void()> const& work, std::chrono::milliseconds deadline = std::chrono::seconds(20));

} // namespace tormakelin::core
