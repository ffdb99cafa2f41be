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

// A fork leaves every page of the parent write-protected until it is next written, so the first
// write to each page after the children pays a fault: in a player, the first frame of a section
// writes much that loading last wrote before its children. Once the children are done, this
// makes the pages the process already has writable again in one pass, without writing them and
// without bringing in pages it has not touched. Nothing to do when no child was made since the
// last call.
TORMAKELIN_CORE_API void reclaimPagesAfterChildren();

} // namespace tormakelin::core
