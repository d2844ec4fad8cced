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

TEST(RegexCache, EachPatternIsCompiledOncePerGenerationValidOrNot) {
    RegexCache& cache = RegexCache::shared();
    std::size_t before = cache.compileCount();
    EXPECT_FALSE(regexTest("once-(", "once-("));
    EXPECT_FALSE(regexTest("once-(", "anything"));
    EXPECT_FALSE(cache.valid("once-("));
    EXPECT_TRUE(cache.contains("once-("));
    EXPECT_TRUE(regexTest("reuse-[0-9]+", "reuse-1"));
    EXPECT_FALSE(regexTest("reuse-[0-9]+", "reuse-x"));
    EXPECT_TRUE(regexTest("reuse-[0-9]+", "REUSE-22"));
    EXPECT_EQ(cache.compileCount(), before + 2);
}

TEST(RegexCache, The258thDistinctPatternEmptiesTheCacheFirst) {
    RegexCache& cache = RegexCache::shared();
    EXPECT_FALSE(cache.valid("gen-(")); // an invalid entry in the old generation
    for (int i = 0; cache.size() < RegexCache::limit; ++i)
        ASSERT_TRUE(cache.valid("gen-a-" + std::to_string(i)));
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

TEST(RegexCache, ManySubjectsInTurnAndPatternsEditedInPlaceGiveTheRightAnswers) {
    // More distinct subjects than the cache keeps converted, asked in rotation.
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 9; ++i)
            for (int j = 0; j < 9; ++j)
                EXPECT_EQ(regexTest("title " + std::to_string(i) + " ",
                                    "title " + std::to_string(j) + " end"),
                          i == j)
                    << i << " in " << j;

    // The same string object, rewritten, must not be taken for the old pattern.
    Rule r;
    r.clauses = {Condition{RuleField::title, RuleOp::regex, "alpha-edit"}};
    EXPECT_TRUE(r.test("", "", "alpha-edit"));
    r.clauses[0].value.replace(0, 5, "omega");
    EXPECT_FALSE(r.test("", "", "alpha-edit"));
    EXPECT_TRUE(r.test("", "", "omega-edit"));
}

} // namespace
} // namespace morvelan
