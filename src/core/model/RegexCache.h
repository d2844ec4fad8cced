// RegexCache: compiled rule patterns by text, shared by every rule test of the process.
#pragma once

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace morvelan {

// Main thread only: no lock. Patterns are ICU syntax, always case-insensitive.
class RegexCache {
public:
    // When it already holds this many entries, the cache is emptied before the next insert.
    static constexpr std::size_t limit = 257;
    // Longest subject searched, in code points; longer subjects are cut.
    static constexpr std::int32_t subjectLimit = 512;
    // Match-engine steps allowed per search (one step is roughly 0.14 ms, so about 50 ms).
    static constexpr std::int32_t timeLimit = 360;
    // Searches allowed to run out of time per scan; past that, patterns that have run out of
    // time before answer "no match" unrun until the next scan.
    static constexpr int timeoutsPerScan = 2;
    // Timed-out subjects remembered per pattern; the set is emptied when full.
    static constexpr std::size_t timedOutLimit = 256;

    // The one process-wide cache.
    static RegexCache& shared();

    // Whether `pattern` matches anywhere in the first `subjectLimit` code points of
    // `subject` (UTF-8). An invalid pattern, a search that runs out of time or any
    // ICU error counts as no match. A (pattern, subject) that ran out of time is not
    // searched again: it stays "no match" until the subject or the pattern changes.
    bool search(std::string_view pattern, std::string_view subject);

    // Whether `pattern` compiles (compiling and caching it on a miss).
    bool valid(std::string_view pattern);

    std::size_t size() const { return entries_.size(); }
    // Compilations since the process started: one per miss, valid or not.
    std::size_t compileCount() const { return compiles_; }
    // Searches that ran out of time since the process started.
    std::size_t timeoutCount() const { return timeouts_; }
    // Starts a new scan of the windows, with a fresh time-out budget.
    void beginScan() { scanTimeouts_ = 0; }
    bool contains(std::string_view pattern) const {
        return entries_.find(pattern) != entries_.end();
    }

private:
    // Lets lookups by string_view skip building a std::string key.
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept {
            return std::hash<std::string_view>{}(text);
        }
    };

    // A compiled pattern with a reusable matcher; both null for an invalid pattern.
    struct Entry {
        std::unique_ptr<icu::RegexPattern> pattern;
        std::unique_ptr<icu::RegexMatcher> matcher;
        // Subjects this pattern ran out of time on.
        std::unordered_set<std::string, KeyHash, std::equal_to<>> timedOut;
    };

    Entry& lookup(std::string_view pattern);
    // The search text for `subject`, cut to `subjectLimit`. The last few are kept because
    // one window is usually tested against many contexts in a row.
    const icu::UnicodeString& searchText(std::string_view subject);

    using Entries = std::unordered_map<std::string, Entry, KeyHash, std::equal_to<>>;

    // Remembers where a pattern's text lived when last looked up, so the same condition
    // asked again skips hashing. Checked against the stored key, so a reused address with
    // other text just misses. Map nodes are stable until the cache is emptied.
    struct Shortcut {
        const char* data = nullptr;
        Entries::value_type* node = nullptr;
    };
    Shortcut& shortcutFor(std::string_view pattern);

    Entries entries_;
    std::array<Shortcut, 64> shortcuts_{};
    std::size_t compiles_ = 0;
    std::size_t timeouts_ = 0;
    int scanTimeouts_ = 0;
    // Recent search texts, reused round-robin. Matchers may still point at one of them;
    // a slot is only overwritten right before a matcher is reset onto it.
    struct Recent {
        std::string subject;
        icu::UnicodeString text;
        bool used = false;
    };
    std::array<Recent, 4> recent_;
    std::size_t nextSlot_ = 0;
};

} // namespace morvelan
