// Rule conditions: case-insensitive equality and substring, patterns, empty values, the
// bounds on what a pattern may search and for how long, and the cache of compiled patterns.
#include "core/model/Context.h"
#include "core/model/RegexCache.h"

#include <gtest/gtest.h>
#include <unicode/unistr.h>

namespace morvelan {
namespace {

constexpr RuleOp eq = RuleOp::equals, has = RuleOp::contains, re = RuleOp::regex;

bool test(std::vector<Condition> clauses, const std::string& app, const std::string& title) {
    Rule r;
    r.clauses = std::move(clauses);
    return r.test("org.example." + app, app, title);
}
bool titleTest(RuleOp op, const std::string& value, const std::string& title) {
    return test({{RuleField::title, op, value}}, "", title);
}

TEST(RuleTest, EveryNonEmptyConditionMustHoldOnItsOwnField) {
    EXPECT_FALSE(test({}, "Terminal", "bash"));
    EXPECT_FALSE(test({{RuleField::title, eq, ""}, {RuleField::bundleID, re, ""}}, "", ""));
    // An empty condition is dropped, not failed.
    EXPECT_TRUE(
        test({{RuleField::title, eq, ""}, {RuleField::appName, has, "fire"}}, "Firefox", "x"));
    const std::vector<Condition> terminal = {{RuleField::bundleID, has, "example.term"},
                                             {RuleField::appName, eq, "Terminal"},
                                             {RuleField::title, has, "ssh"}};
    EXPECT_TRUE(test(terminal, "terminal", "ssh host"));
    EXPECT_FALSE(test(terminal, "xterm", "ssh host"));
    EXPECT_FALSE(test({{RuleField::bundleID, eq, "Konsole"}}, "Konsole", "Konsole"));
}

TEST(RuleTest, ComparisonsFoldCaseByFullUnicodeRulesAndPatternsSearchUnanchored) {
    const std::string broken = "caf\xC3\xFF";
    struct Case {
        RuleOp op;
        std::string value, title;
        bool holds;
    };
    const Case cases[] = {
        {eq, "safari", "Safari Technology Preview", false},
        // Spaces are neither empty nor trimmed.
        {has, " ", "NoSpaceHere", false},
        {eq, "ΣΊΣΥΦΟΣ", "σίσυφος", true},
        {eq, "kde", "\u212Ade", true}, // the Kelvin sign folds to a plain k
        {eq, "cafe", "Café", false},   // no diacritic folding
        {eq, "I", "ı", false},         // default folding, not Turkic
        // ASCII value, subject whose non-ASCII letters fold to ASCII.
        {has, "ss", "Straße", true},
        {eq, "STRASSE", "straße", true},
        {has, "file", "ﬁle.txt", true}, // the fi ligature
        // ASCII value, subject whose non-ASCII letters stay non-ASCII.
        {has, "uber", "Übersicht", false},
        {has, "bersicht", "Übersicht", true},
        // Non-ASCII value, ASCII subject.
        {has, "ß", "strasse", true},
        {eq, "ﬁ", "FI", true},
        {has, "é", "cafe", false},
        // Invalid UTF-8 does not break comparison.
        {eq, "café", broken, false},
        {has, "CAF", broken, true},
        {re, "\xFF(", broken, false},
        // Patterns: unanchored, case-insensitive; an invalid one matches nothing.
        {re, "pull request #\\d+", "Review: Pull Request #42 - GitHub", true},
        {re, "^Pull", "Review: Pull Request #42", false},
        {re, "(", "(", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(titleTest(c.op, c.value, c.title), c.holds)
            << toString(c.op) << " " << c.value << " / " << c.title;
}

// Regression: letters such as U+01F0 (ǰ, folding to j + U+030C) were missed by the ASCII
// shortcut, so "j" was not found in "ǰ". Checks every code point against ICU itself.
TEST(RuleTest, EveryLetterFoldingToAsciiIsFoundByItsAsciiPart) {
    for (UChar32 c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        icu::UnicodeString folded(c);
        folded.foldCase();
        if (folded.length() == 1 && folded.charAt(0) == c) continue;
        std::string subject;
        icu::UnicodeString(c).toUTF8String(subject);
        for (int32_t i = 0; i < folded.length(); ++i) {
            if (folded.charAt(i) >= 0x80) continue;
            const std::string value(1, char(folded.charAt(i)));
            ASSERT_TRUE(titleTest(has, value, subject)) << std::hex << c;
            ASSERT_EQ(titleTest(has, subject, "x" + value + "y"), folded.length() == 1)
                << std::hex << c;
        }
    }
}

TEST(RuleTest, PatternsSearchOnlyTheFirst512CodePointsAndGiveUpInTime) {
    std::string title(600, 'a');
    title[520] = 'Z';
    EXPECT_FALSE(titleTest(re, "z", title));
    title[511] = 'Z';
    EXPECT_TRUE(titleTest(re, "^a{511}z$", title));
    // The cut keeps a character outside the BMP (two UTF-16 units) whole, and counts
    // characters, not bytes.
    const std::string emoji = std::string(511, 'a') + "\xF0\x9F\x98\x80" + "tail"; // U+1F600
    EXPECT_TRUE(titleTest(re, "\\x{1F600}$", emoji));
    EXPECT_FALSE(titleTest(re, "tail", emoji));

    // Exponential backtracking: without a time bound this takes far longer than any test.
    EXPECT_FALSE(titleTest(re, "(a+)+$", std::string(40, 'a') + '!'));
    EXPECT_TRUE(titleTest(re, "(a+)+$", "aaa")) << "the matcher is usable again";
}

TEST(RegexCache, PatternsValidOrNotAreCompiledOncePerGenerationOf257) {
    RegexCache& cache = RegexCache::shared();
    EXPECT_FALSE(titleTest(re, "gen-(", "gen-("));
    for (int i = 0; cache.size() < RegexCache::limit; ++i)
        ASSERT_TRUE(titleTest(re, "gen-" + std::to_string(i), "gen-" + std::to_string(i)));
    const std::size_t compiles = cache.compileCount();
    EXPECT_FALSE(titleTest(re, "gen-(", "gen-("));
    EXPECT_EQ(cache.compileCount(), compiles) << "a full cache still answers from memory";
    // The next new pattern starts a new generation, in which the others compile once more.
    EXPECT_TRUE(titleTest(re, "gen-new", "a gen-new b"));
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_FALSE(titleTest(re, "gen-(", "gen-("));
    EXPECT_FALSE(titleTest(re, "gen-(", "gen-("));
    EXPECT_EQ(cache.compileCount(), compiles + 2);
}

TEST(RegexCache, BacktrackingPatternIsNotRetriedEveryPollAndAScanHasATimeBudget) {
    RegexCache& cache = RegexCache::shared();
    cache.beginScan();
    const std::size_t before = cache.timeoutCount();
    const auto slow = [](int n) { return std::string(40 + n, 'a') + '!'; };
    for (int poll = 0; poll < 3; ++poll)
        EXPECT_FALSE(titleTest(re, "(a+)+$", slow(0)));
    EXPECT_EQ(cache.timeoutCount(), before + 1) << "a timed-out title is remembered";
    EXPECT_TRUE(titleTest(re, "(a+)+$", "aaa"));
    // Many new slow titles in one scan: only the budget's worth runs out of time.
    for (int n = 1; n <= 5; ++n)
        EXPECT_FALSE(titleTest(re, "(a+)+$", slow(n)));
    EXPECT_EQ(cache.timeoutCount(), before + RegexCache::timeoutsPerScan);
    cache.beginScan();
    EXPECT_FALSE(titleTest(re, "(a+)+$", slow(5))) << "a skipped title is tried next scan";
    EXPECT_EQ(cache.timeoutCount(), before + RegexCache::timeoutsPerScan + 1);
    // A changed rule is a new question.
    EXPECT_FALSE(titleTest(re, "(a+)+b?$", slow(0)));
    EXPECT_EQ(cache.timeoutCount(), before + RegexCache::timeoutsPerScan + 2);
}

TEST(RegexCache, ManySubjectsInTurnAndPatternsEditedInPlaceGiveTheRightAnswers) {
    // More distinct subjects than the cache keeps converted, asked in rotation.
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 9; ++i)
            for (int j = 0; j < 9; ++j)
                EXPECT_EQ(titleTest(re, "title " + std::to_string(i) + " ",
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
