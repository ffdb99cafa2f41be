#pragma once
// Measures the wall time and the growth of the process's peak memory over a scope, so tests of
// hostile inputs can show that a reader refuses or bounds them cheaply. The bounds are generous
// (sanitizer builds are slow and fat): they catch bombs, not slowness.

#include <chrono>
#include <cstdio>

#include <sys/resource.h>
#include <unistd.h>

namespace tormakelin::test {

class ResourceBudget {
public:
    ResourceBudget() : m_start(std::chrono::steady_clock::now()), m_residentKb(residentKb()) {}

    double seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

    // How far the peak resident size rose above what was resident at the start, in MiB.
    long peakGrowthMb() const
    {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const long grown = usage.ru_maxrss - m_residentKb;
        return grown > 0 ? grown / 1024 : 0;
    }

private:
    static long residentKb()
    {
        long pages = 0;
        long resident = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
                resident = 0;
            }
            std::fclose(statm);
        }
        return resident * (sysconf(_SC_PAGESIZE) / 1024);
    }

    std::chrono::steady_clock::time_point m_start;
    long m_residentKb;
};

// Generous bounds for a hostile input's load, refused or bounded.
constexpr double kHostileSeconds = 20.0;
constexpr long kHostileMegabytes = 256;

} // namespace tormakelin::test
