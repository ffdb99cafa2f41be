#include <tormakelin/core/RefCounted.h>

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>

namespace tormakelin::core::detail {

void refCountUnderflow(std::type_info const& type)
{
    int status = 0;
    char* name = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::fprintf(stderr, "reference count of %s released below zero\n", status == 0 && name ? name : type.name());
    std::fflush(stderr);
    std::abort();
}

} // namespace tormakelin::core::detail
