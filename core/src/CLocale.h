#pragma once
// Runs number formatting and parsing of this thread in the "C" locale for one scope.

#include <clocale>
#include <locale.h>

namespace tormakelin::core {

class CLocaleScope {
public:
    CLocaleScope() : m_previous(uselocale(locale())) {}
    ~CLocaleScope() { uselocale(m_previous); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    static locale_t locale()
    {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
        return c;
    }
    locale_t m_previous;
};

} // namespace tormakelin::core
