#include "CLocale.h"

#include <cstdlib>
#include <limits>
#include <locale.h>

namespace tormakelin::fxcore::detail {

namespace {

locale_t cLocale()
{
    static locale_t const locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

} // namespace

double atofC(char const* text)
{
    return strtod_l(text, nullptr, cLocale());
}

// Out-of-range numbers saturate, as they do where long is 32 bits wide.
int atoiC(char const* text)
{
    long const value = strtol_l(text, nullptr, 10, cLocale());
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

} // namespace tormakelin::fxcore::detail
