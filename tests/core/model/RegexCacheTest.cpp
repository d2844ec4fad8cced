// RegexCache: one compilation per pattern per generation, emptied at 257 entries.
#include "core/model/RegexCache.h"
#include "core/model/Context.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

bool regexTest(const std::string& pattern, const std::string& title) {
    Rule r;
    r.clauses = {Condition{RuleField::title, RuleOp::regex, pattern}};
    return r.test("", "", title);
}

// Fills the shared cache to exactly `limit` entries with patterns no other test uses.
void fillToLimit(RegexCache& cache, const std::string& prefix) {
    for (int i = 0; cache.size() < RegexCache::limit; ++i)
        ASSERT_TRUE(cache.valid(prefix + std::to_string(i)));
    ASSERT_EQ(cache.size(), RegexCache::limit);
}

TEST(RegexCache, InvalidPatternIsCompiledOncePerGeneration) {
    RegexCache& cache = RegexCache::shared();
    std::size_t before = cache.compileCount();
    EXPECT_FALSE(regexTest("(", "("));
    EXPECT_FALSE(regexTest("(", "anything"));
    EXPECT_FALSE(cache.valid("("));
    EXPECT_EQ(cache.compileCount(), before + 1);
    EXPECT_TRUE(cache.contains("("));
}

TEST(RegexCache, ValidPatternIsReusedAcrossSubjects) {
    RegexCache& cache = RegexCache::shared();
    std::size_t before = cache.compileCount();
    EXPECT_TRUE(regexTest("reuse-[0-9]+", "reuse-1"));
    EXPECT_FALSE(regexTest("reuse-[0-9]+", "reuse-x"));
    EXPECT_TRUE(regexTest("reuse-[0-9]+", "REUSE-22"));
    EXPECT_EQ(cache.compileCount(), before + 1);
}

TEST(RegexCache, The258thDistinctPatternEmptiesTheCacheFirst) {
    RegexCache& cache = RegexCache::shared();
    EXPECT_FALSE(cache.valid("gen-(")); // an invalid entry in the old generation
    fillToLimit(cache, "gen-a-");
    ASSERT_TRUE(cache.contains("gen-("));

    // A hit does not count as an insert and leaves the cache full.
    std::size_t compiles = cache.compileCount();
    EXPECT_FALSE(cache.valid("gen-("));
    EXPECT_EQ(cache.size(), RegexCache::limit);
    EXPECT_EQ(cache.compileCount(), compiles);

    EXPECT_TRUE(regexTest("gen-new", "a gen-new b"));
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_TRUE(cache.contains("gen-new"));
    EXPECT_FALSE(cache.contains("gen-("));

    // In the new generation the invalid pattern is compiled once more, then cached again.
    compiles = cache.compileCount();
    EXPECT_FALSE(regexTest("gen-(", "gen-("));
    EXPECT_FALSE(regexTest("gen-(", "gen-("));
    EXPECT_EQ(cache.compileCount(), compiles + 1);
    EXPECT_EQ(cache.size(), 2u);
}

TEST(RegexCache, ManySubjectsInTurnGiveTheRightAnswers) {
    // More distinct subjects than the cache keeps converted, asked in rotation.
    std::vector<std::string> titles;
    for (int i = 0; i < 9; ++i)
        titles.push_back("title " + std::to_string(i) + " end");
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 9; ++i) {
            std::string wanted = "title " + std::to_string(i) + " ";
            for (int j = 0; j < 9; ++j)
                EXPECT_EQ(regexTest(wanted, titles[j]), i == j) << i << " in " << titles[j];
        }
}

TEST(RegexCache, PatternEditedInPlaceIsLookedUpAgain) {
    // The same string object, rewritten, must not be taken for the old pattern.
    Rule r;
    r.clauses = {Condition{RuleField::title, RuleOp::regex, "alpha-edit"}};
    EXPECT_TRUE(r.test("", "", "alpha-edit"));
    r.clauses[0].value.replace(0, 5, "omega");
    EXPECT_EQ(r.clauses[0].value, "omega-edit");
    EXPECT_FALSE(r.test("", "", "alpha-edit"));
    EXPECT_TRUE(r.test("", "", "omega-edit"));
}

TEST(RegexCache, NeverHoldsMoreThanTheLimit) {
    RegexCache& cache = RegexCache::shared();
    for (int i = 0; i < 600; ++i) {
        ASSERT_TRUE(cache.valid("bound-" + std::to_string(i)));
        ASSERT_LE(cache.size(), RegexCache::limit);
    }
}

} // namespace
} // namespace morvelan
