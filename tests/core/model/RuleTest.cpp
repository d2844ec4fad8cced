// Rule conditions: case-insensitive equality and substring, patterns, empty values.
#include "core/model/Context.h"

#include <gtest/gtest.h>
#include <unicode/unistr.h>

namespace morvelan {
namespace {

Rule rule(std::vector<Condition> clauses, bool exclude = false) {
    Rule r;
    r.clauses = std::move(clauses);
    r.exclude = exclude;
    return r;
}

Condition cond(RuleField field, RuleOp op, std::string value) {
    return Condition{field, op, std::move(value)};
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

TEST(RuleTest, FreshRuleMatchesNothing) {
    Rule fresh;
    ASSERT_EQ(fresh.clauses.size(), 1u);
    EXPECT_EQ(fresh.clauses[0].field, RuleField::appName);
    EXPECT_EQ(fresh.clauses[0].op, RuleOp::contains);
    EXPECT_FALSE(fresh.test("org.gnome.Terminal", "Terminal", "bash"));
    EXPECT_FALSE(rule({}).test("a", "b", "c"));
    Rule allEmpty = rule(
        {cond(RuleField::title, RuleOp::equals, ""), cond(RuleField::bundleID, RuleOp::regex, "")},
        true);
    EXPECT_FALSE(allEmpty.test("", "", ""));
}

TEST(RuleTest, EmptyConditionsAreDroppedNotFailed) {
    Rule r = rule({cond(RuleField::title, RuleOp::equals, ""),
                   cond(RuleField::appName, RuleOp::contains, "fire")});
    EXPECT_TRUE(r.test("org.mozilla.firefox", "Firefox", "anything"));
}

TEST(RuleTest, SpacesAreNotEmptyAndNotTrimmed) {
    Rule r = rule({cond(RuleField::title, RuleOp::contains, " ")});
    EXPECT_FALSE(r.test("x", "y", "NoSpaceHere"));
    EXPECT_TRUE(r.test("x", "y", "a b"));
    EXPECT_FALSE(
        rule({cond(RuleField::appName, RuleOp::equals, " Safari")}).test("x", "Safari", "t"));
}

TEST(RuleTest, EqualsIgnoresCase) {
    Rule r = rule({cond(RuleField::appName, RuleOp::equals, "safari")});
    EXPECT_TRUE(r.test("com.apple.Safari", "Safari", "Start Page"));
    EXPECT_FALSE(r.test("com.apple.Safari", "Safari Technology Preview", "Start Page"));
}

TEST(RuleTest, ContainsIgnoresCase) {
    Rule r = rule({cond(RuleField::title, RuleOp::contains, "GIT")});
    EXPECT_TRUE(r.test("x", "Code", "my-git-repo"));
    EXPECT_FALSE(r.test("x", "Code", "my-gi-t-repo"));
}

TEST(RuleTest, CaseFoldingIsFullUnicode) {
    EXPECT_TRUE(rule({cond(RuleField::title, RuleOp::equals, "straße")}).test("", "", "STRASSE"));
    EXPECT_TRUE(rule({cond(RuleField::title, RuleOp::equals, "ΣΊΣΥΦΟΣ")}).test("", "", "σίσυφος"));
    EXPECT_TRUE(
        rule({cond(RuleField::title, RuleOp::contains, "GRÜN")}).test("", "", "Ordner grün/alt"));
    // The Kelvin sign folds to a plain k, so a non-ASCII subject can equal an ASCII value.
    EXPECT_TRUE(rule({cond(RuleField::appName, RuleOp::equals, "kde")}).test("", "\u212Ade", ""));
    // No diacritic folding.
    EXPECT_FALSE(rule({cond(RuleField::title, RuleOp::equals, "cafe")}).test("", "", "Café"));
    // Default folding, not Turkic: dotless ı is not i.
    EXPECT_FALSE(rule({cond(RuleField::title, RuleOp::equals, "I")}).test("", "", "ı"));
}

TEST(RuleTest, MixedAsciiAndUnicodeFoldTheSameWay) {
    auto contains = [](const char* value, const char* title) {
        return rule({cond(RuleField::title, RuleOp::contains, value)}).test("", "", title);
    };
    auto equals = [](const char* value, const char* title) {
        return rule({cond(RuleField::title, RuleOp::equals, value)}).test("", "", title);
    };
    // ASCII value, subject whose non-ASCII letters fold to ASCII.
    EXPECT_TRUE(contains("ss", "Straße"));
    EXPECT_TRUE(equals("STRASSE", "straße"));
    EXPECT_TRUE(contains("file", "ﬁle.txt")); // the fi ligature
    EXPECT_TRUE(contains("K", "K"));
    EXPECT_TRUE(contains("s", "ſ"));
    // ASCII value, subject whose non-ASCII letters stay non-ASCII.
    EXPECT_FALSE(contains("uber", "Übersicht"));
    EXPECT_TRUE(contains("bersicht", "Übersicht"));
    EXPECT_FALSE(equals("Ubersicht", "Übersicht"));
    // Non-ASCII value, ASCII subject.
    EXPECT_TRUE(contains("ß", "strasse"));
    EXPECT_TRUE(equals("ﬁ", "FI"));
    EXPECT_FALSE(contains("é", "cafe"));
    EXPECT_FALSE(equals("Ü", "U"));
    // Both non-ASCII.
    EXPECT_TRUE(equals("ÜBERSICHT", "übersicht"));
    EXPECT_TRUE(contains("ÆØÅ", "blåbær: æøå"));
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
            ASSERT_TRUE(
                rule({cond(RuleField::title, RuleOp::contains, value)}).test("", "", subject))
                << std::hex << c;
            ASSERT_TRUE(rule({cond(RuleField::title, RuleOp::contains, subject)})
                            .test("", "", "x" + value + "y") == (folded.length() == 1))
                << std::hex << c;
        }
    }
}

TEST(RuleTest, FieldsSelectTheirSubject) {
    Rule byBundle = rule({cond(RuleField::bundleID, RuleOp::equals, "org.kde.konsole")});
    EXPECT_TRUE(byBundle.test("org.kde.konsole", "Konsole", "x"));
    EXPECT_FALSE(byBundle.test("x", "org.kde.konsole", "org.kde.konsole"));
    Rule byTitle = rule({cond(RuleField::title, RuleOp::equals, "Inbox")});
    EXPECT_TRUE(byTitle.test("Mail", "Mail", "inbox"));
    EXPECT_FALSE(byTitle.test("Inbox", "Inbox", "Mail"));
}

TEST(RuleTest, AllConditionsMustHold) {
    Rule r = rule({cond(RuleField::appName, RuleOp::equals, "Terminal"),
                   cond(RuleField::title, RuleOp::contains, "ssh")});
    EXPECT_TRUE(r.test("t", "terminal", "ssh host"));
    EXPECT_FALSE(r.test("t", "terminal", "bash"));
    EXPECT_FALSE(r.test("t", "xterm", "ssh host"));
}

TEST(RuleTest, ExcludeFlagDoesNotChangeTheTest) {
    Rule r = rule({cond(RuleField::title, RuleOp::contains, "x")}, true);
    EXPECT_TRUE(r.test("", "", "x"));
}

TEST(RuleTest, InvalidUtf8DoesNotBreakComparison) {
    std::string broken = "caf\xC3"
                         "\xFF";
    EXPECT_FALSE(rule({cond(RuleField::title, RuleOp::equals, "café")}).test("", "", broken));
    EXPECT_TRUE(rule({cond(RuleField::title, RuleOp::contains, "CAF")}).test("", "", broken));
    EXPECT_FALSE(rule({cond(RuleField::title, RuleOp::regex, "\xFF(")}).test("", "", broken));
}

TEST(RuleRegex, SearchesUnanchoredAndIgnoresCase) {
    EXPECT_TRUE(rule({cond(RuleField::title, RuleOp::regex, "pull request #\\d+")})
                    .test("", "", "Review: Pull Request #42 - GitHub"));
    EXPECT_FALSE(rule({cond(RuleField::title, RuleOp::regex, "^Pull")})
                     .test("", "", "Review: Pull Request #42"));
    EXPECT_TRUE(rule({cond(RuleField::bundleID, RuleOp::regex, "^org\\.(gnome|kde)\\.")})
                    .test("org.KDE.dolphin", "", ""));
}

TEST(RuleRegex, InvalidPatternMatchesNothing) {
    EXPECT_FALSE(rule({cond(RuleField::title, RuleOp::regex, "(")}).test("", "", "("));
    EXPECT_FALSE(rule({cond(RuleField::title, RuleOp::regex, "[a-")}).test("", "", "a"));
}

TEST(RuleRegex, OnlyTheFirst512CharactersAreSearched) {
    std::string title(600, 'a');
    title[520] = 'Z';
    Rule findsZ = rule({cond(RuleField::title, RuleOp::regex, "z")});
    EXPECT_FALSE(findsZ.test("", "", title));
    title[511] = 'Z';
    EXPECT_TRUE(findsZ.test("", "", title));
    EXPECT_TRUE(rule({cond(RuleField::title, RuleOp::regex, "^a{511}z$")}).test("", "", title));
}

TEST(RuleRegex, LimitCountsCodePointsAndKeepsSurrogatePairsWhole) {
    // 511 ASCII characters then an emoji outside the BMP (two UTF-16 units): the cut
    // after 512 code points keeps the emoji whole.
    std::string title(511, 'a');
    title += "\xF0\x9F\x98\x80"; // U+1F600
    title += "tail";
    EXPECT_TRUE(rule({cond(RuleField::title, RuleOp::regex, "\\x{1F600}$")}).test("", "", title));
    EXPECT_FALSE(rule({cond(RuleField::title, RuleOp::regex, "tail")}).test("", "", title));

    // 600 two-byte characters: the cut is by characters, not bytes.
    std::string umlauts;
    for (int i = 0; i < 600; ++i)
        umlauts += "ü";
    EXPECT_TRUE(rule({cond(RuleField::title, RuleOp::regex, "^ü{512}$")}).test("", "", umlauts));
}

TEST(RuleRegex, CatastrophicPatternGivesUpAsNoMatch) {
    // Exponential backtracking: without a time bound this takes far longer than any test.
    std::string title(40, 'a');
    title += '!';
    EXPECT_FALSE(rule({cond(RuleField::title, RuleOp::regex, "(a+)+$")}).test("", "", title));
    // The matcher is usable again afterwards.
    EXPECT_TRUE(rule({cond(RuleField::title, RuleOp::regex, "(a+)+$")}).test("", "", "aaa"));
}

} // namespace
} // namespace morvelan
