#include "base/unique_resource.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace corvane {
namespace {

// Handles are ints, 0 holds nothing; each release is written down by the
// traits, which carry where to (as the debug buffer's carry their service).
struct CountedTraits {
    using Handle = int;
    static int None() { return 0; }
    static bool IsValid(int handle) { return handle != 0; }
    void Release(int handle) const { released->push_back(handle); }
    std::vector<int>* released = nullptr;
};
using Owner = UniqueResource<CountedTraits>;

TEST(UniqueResource, ReleasesEachHandleOnceWithTheTraitsItCameWith) {
    std::vector<int> first, second;
    {
        Owner a(1, {&first});
        Owner b(2, {&second});
        a.reset(3);
        EXPECT_EQ(first, std::vector<int>{1});
        a.reset(3);
        EXPECT_EQ(first, std::vector<int>{1}) << "taking over the handle it holds releases nothing";
        b = std::move(a);
        EXPECT_EQ(second, std::vector<int>{2}) << "the handle held goes with its own traits";
        EXPECT_FALSE(a);
        Owner c(std::move(b));
        EXPECT_EQ(c.get(), 3);
        EXPECT_EQ(Owner(4, {&first}).release(), 4);
    }
    EXPECT_EQ(first, (std::vector<int>{1, 3})) << "3 came from the first traits and goes back through them";
    EXPECT_EQ(second, std::vector<int>{2});
}

} // namespace
} // namespace corvane
