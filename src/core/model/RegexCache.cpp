// RegexCache: compiles patterns once per cache generation and runs bounded searches.
#include "core/model/RegexCache.h"

namespace morvelan {

RegexCache& RegexCache::shared() {
    static RegexCache cache;
    return cache;
}

RegexCache::Entry& RegexCache::lookup(std::string_view pattern) {
    std::string key(pattern);
    if (auto it = entries_.find(key); it != entries_.end()) return it->second;

    Entry entry;
    ++compiles_;
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(
        icu::UnicodeString::fromUTF8(pattern), UREGEX_CASE_INSENSITIVE, parseError, status));
    if (U_SUCCESS(status) && compiled) {
        std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(status));
        if (U_SUCCESS(status) && matcher) matcher->setTimeLimit(timeLimit, status);
        if (U_SUCCESS(status) && matcher) {
            entry.pattern = std::move(compiled);
            entry.matcher = std::move(matcher);
        }
    }

    if (entries_.size() >= limit) entries_.clear();
    return entries_.emplace(std::move(key), std::move(entry)).first->second;
}

bool RegexCache::valid(std::string_view pattern) {
    return lookup(pattern).matcher != nullptr;
}

bool RegexCache::search(std::string_view pattern, std::string_view subject) {
    Entry& entry = lookup(pattern);
    if (!entry.matcher) return false;

    icu::UnicodeString text = icu::UnicodeString::fromUTF8(subject);
    if (text.length() > subjectLimit) {
        // Cut after whole code points so a surrogate pair is never split.
        text.truncate(text.moveIndex32(0, subjectLimit));
    }

    // The matcher refers to `text` without copying it; detach it again before returning.
    static const icu::UnicodeString empty;
    UErrorCode status = U_ZERO_ERROR;
    entry.matcher->reset(text);
    bool found = entry.matcher->find(status);
    entry.matcher->reset(empty);
    return U_SUCCESS(status) && found;
}

} // namespace morvelan
