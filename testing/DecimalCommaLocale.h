#pragma once
// Switches LC_NUMERIC to a decimal-comma locale for one scope, compiling one when none is installed.

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace tormakelin::test {

class DecimalCommaLocale {
public:
    DecimalCommaLocale() : m_previous(std::setlocale(LC_NUMERIC, nullptr))
    {
        if (switchTo())
            return;
        char pattern[] = "/tmp/tormakelin-locale-XXXXXX";
        if (!mkdtemp(pattern))
            return;
        m_compiled = pattern;
        std::string const command = "localedef -i de_DE -f UTF-8 " + m_compiled + "/de_DE.UTF-8 >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0 && !std::filesystem::exists(m_compiled + "/de_DE.UTF-8"))
            return;
        setenv("LOCPATH", m_compiled.c_str(), 1);
        switchTo();
    }
    ~DecimalCommaLocale()
    {
        std::setlocale(LC_NUMERIC, m_previous.c_str());
        if (!m_compiled.empty()) {
            unsetenv("LOCPATH");
            std::filesystem::remove_all(m_compiled);
        }
    }
    DecimalCommaLocale(DecimalCommaLocale const&) = delete;
    DecimalCommaLocale& operator=(DecimalCommaLocale const&) = delete;

    bool active() const { return m_active; }

private:
    bool switchTo()
    {
        m_active = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr &&
            *std::localeconv()->decimal_point == ',';
        return m_active;
    }

    std::string m_previous;
    std::string m_compiled;
    bool m_active = false;
};

} // namespace tormakelin::test
