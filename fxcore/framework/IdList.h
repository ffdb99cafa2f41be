#pragma once
// Lists of identified objects (graph nodes, folder children) found and reordered by id.

#include <tormakelin/core/UniqueId.h>

#include <cstddef>
#include <utility>
#include <vector>

namespace tormakelin::fxcore {

template <class T>
int indexById(std::vector<T*> const& list, core::UniqueId const& id)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i]->getId() == id)
            return static_cast<int>(i);
    return -1;
}

// Swaps the item with that id into the given place; an unknown id or a place outside the list
// changes nothing.
template <class T>
void moveById(std::vector<T*>& list, core::UniqueId const& id, int index)
{
    int const from = indexById(list, id);
    if (from < 0 || index < 0 || static_cast<size_t>(index) >= list.size())
        return;
    std::swap(list[static_cast<size_t>(from)], list[static_cast<size_t>(index)]);
}

} // namespace tormakelin::fxcore
