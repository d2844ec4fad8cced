// Rule conditions: case-insensitive equality and substring, patterns, empty values.
#include "core/model/Context.h"

#include <gtest/gtest.h>
#include <unicode/unistr.h>

namespace morvelan {
namespace {

constexpr RuleOp eq = RuleOp::equals, has = RuleOp::contains, re = RuleOp::regex;

Rule rule(std::vector<Condition> clauses, bool exclude = false) {
    Rule r;
    r.clauses = std::move(clauses);
    r.exclude = exclude;
    return r;
}

bool titleTest(RuleOp op, const std::string& value, const std::string& title) {
    return rule({{RuleField::title, op, value}}).test("", "", title);
}

TEST(RuleEnums, TextFormsRoundTrip) {
    for (auto f : {RuleField::bundleID, RuleField::appName, RuleField::title})
        EXPECT_EQ(ruleFieldFrom(toString(f)), f);
    for (auto o : {RuleOp::equals, RuleOp::contains, RuleOp::regex})
        EXPECT_EQ(ruleOpFrom(toString(o)), o);
    EXPECT_EQ(toString(RuleField::bundleID), "bundleID");
    EXPECT_EQ(toString(RuleOp::regex), "regex");
    EXPECT_FALSE(ruleFieldFrom("Title"));
    EXPECT_FALSE(ruleOpFrom("startsWith"));
    EXPECT_FALSE(ruleOpFrom(""));
}

TEST(RuleTest, EveryNonEmptyConditionMustHoldOnItsOwnField) {
    EXPECT_FALSE(Rule{}.test("org.gnome.Terminal", "Terminal", "bash"));
    EXPECT_FALSE(rule({}).test("a", "b", "c"));
    EXPECT_FALSE(
        rule({{RuleField::title, eq, ""}, {RuleField::bundleID, re, ""}}, true).test("", "", ""));
    // An empty condition is dropped, not failed.
    EXPECT_TRUE(rule({{RuleField::title, eq, ""}, {RuleField::appName, has, "fire"}})
                    .test("org.mozilla.firefox", "Firefox", "anything"));

    Rule byBundle = rule({{RuleField::bundleID, eq, "org.kde.konsole"}});
    EXPECT_TRUE(byBundle.test("org.kde.konsole", "Konsole", "x"));
    EXPECT_FALSE(byBundle.test("x", "org.kde.konsole", "org.kde.konsole"));
    Rule byTitle = rule({{RuleField::title, eq, "Inbox"}});
    EXPECT_TRUE(byTitle.test("Mail", "Mail", "inbox"));
    EXPECT_FALSE(byTitle.test("Inbox", "Inbox", "Mail"));
    Rule byApp = rule({{RuleField::appName, eq, "Terminal"}, {RuleField::title, has, "ssh"}});
    EXPECT_TRUE(byApp.test("t", "terminal", "ssh host"));
    EXPECT_FALSE(byApp.test("t", "terminal", "bash"));
    EXPECT_FALSE(byApp.test("t", "xterm", "ssh host"));
    // The exclude flag is the caller's business.
    EXPECT_TRUE(rule({{RuleField::title, has, "x"}}, true).test("", "", "x"));
}

TEST(RuleTest, ComparisonsFoldCaseByFullUnicodeRulesAndPatternsSearchUnanchored) {
    const std::string broken = "caf\xC3"
                               "\xFF";
    struct Case {
        RuleOp op;
        std::string value, title;
        bool holds;
    };
    const Case cases[] = {
        {eq, "safari", "Safari", true},
        {eq, "safari", "Safari Technology Preview", false},
        {has, "GIT", "my-git-repo", true},
        {has, "GIT", "my-gi-t-repo", false},
        // Spaces are neither empty nor trimmed.
        {has, " ", "NoSpaceHere", false},
        {has, " ", "a b", true},
        {eq, " Safari", "Safari", false},
        {eq, "straße", "STRASSE", true},
        {eq, "ΣΊΣΥΦΟΣ", "σίσυφος", true},
        {has, "GRÜN", "Ordner grün/alt", true},
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
        {eq, "Ü", "U", false},
        // Invalid UTF-8 does not break comparison.
        {eq, "café", broken, false},
        {has, "CAF", broken, true},
        {re, "\xFF(", broken, false},
        // Patterns: unanchored, case-insensitive; an invalid one matches nothing.
        {re, "pull request #\\d+", "Review: Pull Request #42 - GitHub", true},
        {re, "^Pull", "Review: Pull Request #42", false},
        {re, "^org\\.(gnome|kde)\\.", "org.KDE.dolphin", true},
        {re, "(", "(", false},
        {re, "[a-", "a", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(toString(c.op)) + " " + c.value + " / " + c.title);
        EXPECT_EQ(titleTest(c.op, c.value, c.title), c.holds);
    }
}

// Regression: letters such as U+01F0 (ǰ, folding to j + U+030C) were missed by the ASCII
// shortcut, so "j" was not found in "ǰ". Checks every code point against ICU itself.
TEST(RuleTest, EveryLetterFoldingToAsciiIsFoundByItsAsciiPart) {
    for (UChar32 c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        icu::UnicodeString folded(c);
        folded.foldCase();
        if (folded.length() == 1 && folded.charAt(0) == c) continue;
        for (int32_t i = 0; i < folded.length(); ++i) {
            char16_t unit = folded.charAt(i);
            if (unit >= 0x80) continue;
            std::string subject;
            icu::UnicodeString(c).toUTF8String(subject);
            std::string value(1, char(unit));
            ASSERT_TRUE(titleTest(has, value, subject)) << std::hex << c;
            ASSERT_EQ(titleTest(has, subject, "x" + value + "y"), folded.length() == 1)
                << std::hex << c;
        }
    }
}

TEST(RuleRegex, OnlyTheFirst512CodePointsAreSearchedKeepingSurrogatePairsWhole) {
    std::string title(600, 'a');
    title[520] = 'Z';
    EXPECT_FALSE(titleTest(re, "z", title));
    title[511] = 'Z';
    EXPECT_TRUE(titleTest(re, "z", title));
    EXPECT_TRUE(titleTest(re, "^a{511}z$", title));

    // 511 ASCII characters then an emoji outside the BMP (two UTF-16 units).
    std::string emoji = std::string(511, 'a') + "\xF0\x9F\x98\x80" + "tail"; // U+1F600
    EXPECT_TRUE(titleTest(re, "\\x{1F600}$", emoji));
    EXPECT_FALSE(titleTest(re, "tail", emoji));

    // 600 two-byte characters: the cut is by characters, not bytes.
    std::string umlauts;
    for (int i = 0; i < 600; ++i)
        umlauts += "ü";
    EXPECT_TRUE(titleTest(re, "^ü{512}$", umlauts));
}

TEST(RuleRegex, CatastrophicPatternGivesUpAsNoMatch) {
    // Exponential backtracking: without a time bound this takes far longer than any test.
    EXPECT_FALSE(titleTest(re, "(a+)+$", std::string(40, 'a') + '!'));
    // The matcher is usable again afterwards.
    EXPECT_TRUE(titleTest(re, "(a+)+$", "aaa"));
}

} // namespace
} // namespace morvelan
