#pragma once
// Counted pointers held in slots and lists by the scene objects, and lists stored as a count
// followed by their records.

#include <tormakelin/kavro/Serializer.h>

#include <cstdint>
#include <vector>

namespace tormakelin::kavro {

// The new object gains its reference before the old one loses its own, so replacing an object
// with itself keeps it alive.
template <class T>
void replace(T*& slot, T* object)
{
    if (object) {
        object->addRef();
    }
    if (slot) {
        slot->release();
    }
    slot = object;
}

template <class T>
void releaseAll(std::vector<T*>& list)
{
    std::vector<T*> items;
    items.swap(list);
    for (T* item : items) {
        item->release();
    }
}

// Releases every entry and keeps the list's storage, so that refilling it allocates nothing.
template <class T>
void releaseEach(std::vector<T*>& list)
{
    for (T* item : list) {
        item->release();
    }
    list.clear();
}

template <class T, class Make>
bool serializeList(Serializer* serializer, std::vector<T*>& list, uint64_t minBytes, Make make)
{
    uint32_t count = uint32_t(list.size());
    if (!io::count(serializer, count, minBytes)) {
        return false;
    }
    if (serializer->isStoring()) {
        for (T* item : list) {
            if (!item->serialize(serializer)) {
                return false;
            }
        }
        return true;
    }
    releaseAll(list);
    for (uint32_t i = 0; i < count; ++i) {
        T* item = make();
        item->addRef();
        list.push_back(item);
        if (!item->serialize(serializer)) {
            return false;
        }
    }
    return true;
}

} // namespace tormakelin::kavro
