// Tests of the version order the updater uses to decide whether a release is newer.
#include "core/updater/Updater.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

TEST(VersionOrder, HigherComponentIsNewer) {
    EXPECT_TRUE(Updater::isNewer("2.0", "1.9.3"));
    EXPECT_TRUE(Updater::isNewer("1.9.4", "1.9.3"));
    EXPECT_FALSE(Updater::isNewer("1.9.3", "2.0"));
}

TEST(VersionOrder, ComponentsCompareAsNumbersNotText) {
    EXPECT_TRUE(Updater::isNewer("1.10", "1.9"));
    EXPECT_FALSE(Updater::isNewer("1.9", "1.10"));
    EXPECT_FALSE(Updater::isNewer("1.010", "1.10"));
}

TEST(VersionOrder, EqualAndTrailingZerosAreNotNewer) {
    EXPECT_FALSE(Updater::isNewer("1.2", "1.2"));
    EXPECT_FALSE(Updater::isNewer("1.2.0", "1.2"));
    EXPECT_FALSE(Updater::isNewer("1.2", "1.2.0.0"));
    EXPECT_FALSE(Updater::isNewer("", "0"));
}

TEST(VersionOrder, NonNumericComponentsCountAsZero) {
    EXPECT_FALSE(Updater::isNewer("1.2.x", "1.2"));
    EXPECT_TRUE(Updater::isNewer("1.2.1", "1.2.x"));
    EXPECT_FALSE(Updater::isNewer("1.2.3a", "1.2"));
    EXPECT_FALSE(Updater::isNewer("1.-1", "1.0"));
    EXPECT_FALSE(Updater::isNewer("1.+1", "1.0"));
}

TEST(VersionOrder, EmptyComponentsAreDropped) {
    EXPECT_TRUE(Updater::isNewer("1..3", "1.2"));
    EXPECT_FALSE(Updater::isNewer(".1.2.", "1.2"));
}

TEST(VersionOrder, ComponentsBeyondIntegerRangeStillCompare) {
    EXPECT_TRUE(Updater::isNewer("1.99999999999999999999999", "1.99999999999999999999998"));
    EXPECT_FALSE(Updater::isNewer("1.99999999999999999999998", "1.99999999999999999999999"));
}

} // namespace
} // namespace morvelan
