#include <tormakelin/core/ChildGuard.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <thread>

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
