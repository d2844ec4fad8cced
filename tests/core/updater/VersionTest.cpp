// Tests of the version order the updater uses to decide whether a release is newer.
#include "core/updater/Updater.h"

#include <gtest/gtest.h>
#include <utility>

namespace morvelan {
namespace {

using Pair = std::pair<const char*, const char*>;

TEST(VersionOrder, ComponentsCompareAsNumbersInTurn) {
    // Each first version is newer than the second, and not the other way round.
    for (auto [a, b] :
         {Pair{"2.0", "1.9.3"}, Pair{"1.9.4", "1.9.3"}, Pair{"1.10", "1.9"}, Pair{"1.2.1", "1.2.x"},
          Pair{"1..3", "1.2"}, Pair{"1.99999999999999999999999", "1.99999999999999999999998"}}) {
        EXPECT_TRUE(Updater::isNewer(a, b)) << a << " vs " << b;
        EXPECT_FALSE(Updater::isNewer(b, a)) << b << " vs " << a;
    }
}

TEST(VersionOrder, EqualVersionsAreNotNewerEitherWay) {
    // Trailing zeros, leading zeros, non-numeric components (zero) and empty ones (dropped).
    for (auto [a, b] :
         {Pair{"1.2", "1.2"}, Pair{"1.2.0", "1.2"}, Pair{"1.2", "1.2.0.0"}, Pair{"", "0"},
          Pair{"1.010", "1.10"}, Pair{"1.2.x", "1.2"}, Pair{"1.2.3a", "1.2"}, Pair{"1.-1", "1.0"},
          Pair{"1.+1", "1.0"}, Pair{".1.2.", "1.2"}}) {
        EXPECT_FALSE(Updater::isNewer(a, b)) << a << " vs " << b;
        EXPECT_FALSE(Updater::isNewer(b, a)) << b << " vs " << a;
    }
}

} // namespace
} // namespace morvelan
