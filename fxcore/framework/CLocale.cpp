#include "CLocale.h"

#include <cstdlib>
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

int atoiC(char const* text)
{
    return static_cast<int>(strtol_l(text, nullptr, 10, cLocale()));
}

} // namespace tormakelin::fxcore::detail
