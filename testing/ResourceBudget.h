#pragma once
// Measures the wall time and the peak memory of the process over a scope, so tests of hostile
// inputs can show that a reader refuses or bounds them cheaply. The bounds are generous
// (sanitizer builds are slow and fat): they catch bombs, not slowness.

#include <chrono>
#include <cstdio>
#include <cstring>

namespace tormakelin::test {

class ResourceBudget {
public:
    // Resets the kernel's peak resident size, so the peak read later belongs to this scope.
    ResourceBudget() : m_start(std::chrono::steady_clock::now())
    {
        if (FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", refs);
            std::fclose(refs);
        }
        m_startKb = statusKb("VmRSS:");
    }

    double seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

    // How far the peak resident size rose above what was resident at the start, in MiB.
    long peakGrowthMb() const
    {
        const long grown = statusKb("VmHWM:") - m_startKb;
        return grown > 0 ? grown / 1024 : 0;
    }

private:
    static long statusKb(const char* field)
    {
        long value = 0;
        if (FILE* status = std::fopen("/proc/self/status", "r")) {
            char line[256];
            while (std::fgets(line, sizeof(line), status)) {
                if (std::strncmp(line, field, std::strlen(field)) == 0) {
                    std::sscanf(line + std::strlen(field), "%ld", &value);
                    break;
                }
            }
            std::fclose(status);
        }
        return value;
    }

    std::chrono::steady_clock::time_point m_start;
    long m_startKb = 0;
};

// What the address sanitizer keeps of freed memory (its quarantine), on top of any bound.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kSanitizerSlackMegabytes = 256;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr long kSanitizerSlackMegabytes = 256;
#else
constexpr long kSanitizerSlackMegabytes = 0;
#endif
#else
constexpr long kSanitizerSlackMegabytes = 0;
#endif

// Generous bounds for a hostile input's load, refused or bounded.
constexpr double kHostileSeconds = 20.0;
constexpr long kHostileMegabytes = 256 + kSanitizerSlackMegabytes;

} // namespace tormakelin::test
