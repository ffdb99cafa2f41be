#pragma once
// Factories of objects that build members in their constructor: an object whose members could not
// be made is not handed out.

#include <new>

namespace tormakelin::fxcore {

template <class T>
T* createValid()
{
    auto* object = new (std::nothrow) T();
    if (object && !object->valid()) {
        delete object;
        return nullptr;
    }
    return object;
}

} // namespace tormakelin::fxcore
