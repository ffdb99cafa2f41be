#include <tormakelin/core/ChildGuard.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace tormakelin::core;
using namespace std::chrono_literals;

TEST(ChildGuardTest, RefusesWorkThatDoesNotEndNormally)
{
    struct Case {
        char const* name;
        std::function<void()> work;
        bool survives;
    };
    Case const cases[] = {
        {"returns", [] {}, true},
        {"null read", [] { std::raise(SIGSEGV); }, false},
        {"abort", [] { std::abort(); }, false},
        {"exit code", [] { std::exit(3); }, false},
        {"exception", [] { throw std::runtime_error("escaped"); }, false},
        {"hangs", [] { std::this_thread::sleep_for(10s); }, false},
    };
    for (Case const& c : cases) {
        auto const start = std::chrono::steady_clock::now();
        EXPECT_EQ(survivesInChild("refuses", c.name, c.work, 300ms), c.survives) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << c.name << ": the deadline kills the child";
    }
}

TEST(ChildGuardTest, RemembersSurvivorsPerKindButNotDeaths)
{
    int forks = 0;
    auto const fine = [&] { ++forks; };
    auto const dies = [] { std::abort(); };
    EXPECT_TRUE(survivesInChild("a", "text", fine));
    EXPECT_EQ(forks, 0) << "the work runs in the child only";
    EXPECT_TRUE(survivesInChild("a", "text", dies)) << "a survivor is not tried again";
    EXPECT_FALSE(survivesInChild("b", "text", dies)) << "another kind is tried on its own";
    EXPECT_TRUE(survivesInChild("b", "text", fine)) << "a death is not remembered";
    EXPECT_FALSE(survivesInChild("a", std::string_view("text\0", 5), dies)) << "the whole text is the key";
}

namespace {

long threadMinorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

// Minor faults taken by writing one byte into each page.
long faultsWritingPages(unsigned char* pages, size_t count, size_t page)
{
    long const before = threadMinorFaults();
    for (size_t i = 0; i < count; ++i)
        pages[i * page] += 1;
    return threadMinorFaults() - before;
}

} // namespace

TEST(ChildGuardTest, PagesWrittenBeforeAChildAreWritableAfterTheReclaim)
{
    size_t const page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    constexpr size_t kPages = 64;
    void* const mapped = mmap(nullptr, 2 * kPages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    auto* const written = static_cast<unsigned char*>(mapped);
    unsigned char* const untouched = written + kPages * page;
    for (size_t i = 0; i < kPages; ++i)
        written[i * page] = 1;

    ASSERT_TRUE(survivesInChild("reclaim", "a child", [] {}));
    reclaimPagesAfterChildren();
    EXPECT_EQ(faultsWritingPages(written, kPages, page), 0) << "each page would fault once on its first write";
    std::vector<unsigned char> residency(kPages);
    ASSERT_EQ(mincore(untouched, kPages * page, residency.data()), 0);
    EXPECT_EQ(std::count_if(residency.begin(), residency.end(), [](unsigned char r) { return r & 1; }), 0)
        << "pages never touched stay out";

    // The control: a child after the reclaim protects the pages again, and their writes fault.
    ASSERT_TRUE(survivesInChild("reclaim", "another child", [] {}));
    EXPECT_GE(faultsWritingPages(written, kPages, page), long(kPages) / 2) << "the fault the reclaim takes away";
    munmap(mapped, 2 * kPages * page);
}
