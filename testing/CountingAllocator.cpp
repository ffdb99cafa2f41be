#include "CountingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> g_total{0};
std::atomic<long> g_startedAt{0};

void* allocate(std::size_t size)
{
    g_total.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

} // namespace

long tormakelin::heap::allocationCount()
{
    return g_total.load(std::memory_order_relaxed);
}

void tormakelin::heap::startCountingAllocations()
{
    g_startedAt = allocationCount();
}

long tormakelin::heap::stopCountingAllocations()
{
    return allocationCount() - g_startedAt;
}

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, std::nothrow_t const&) noexcept
{
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, std::nothrow_t const& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
