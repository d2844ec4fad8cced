// RegexCache: compiles patterns once per cache generation and runs bounded searches.
#include "core/model/RegexCache.h"

namespace morvelan {

RegexCache& RegexCache::shared() {
    static RegexCache cache;
    return cache;
}

RegexCache::Shortcut& RegexCache::shortcutFor(std::string_view pattern) {
    auto address = reinterpret_cast<std::uintptr_t>(pattern.data());
    return shortcuts_[(address >> 4) % shortcuts_.size()];
}

RegexCache::Entry& RegexCache::lookup(std::string_view pattern) {
    Shortcut& shortcut = shortcutFor(pattern);
    if (shortcut.node && shortcut.data == pattern.data() && shortcut.node->first == pattern)
        return shortcut.node->second;
    if (auto it = entries_.find(pattern); it != entries_.end()) {
        shortcut = {pattern.data(), &*it};
        return it->second;
    }

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

    if (entries_.size() >= limit) {
        entries_.clear();
        shortcuts_.fill(Shortcut{});
    }
    auto it = entries_.emplace(std::string(pattern), std::move(entry)).first;
    shortcut = {pattern.data(), &*it};
    return it->second;
}

bool RegexCache::valid(std::string_view pattern) {
    return lookup(pattern).matcher != nullptr;
}

const icu::UnicodeString& RegexCache::searchText(std::string_view subject) {
    for (const Recent& r : recent_)
        if (r.used && r.subject == subject) return r.text;
    Recent& slot = recent_[nextSlot_];
    nextSlot_ = (nextSlot_ + 1) % recent_.size();
    slot.subject.assign(subject);
    slot.text = icu::UnicodeString::fromUTF8(subject);
    if (slot.text.length() > subjectLimit) {
        // Cut after whole code points so a surrogate pair is never split.
        slot.text.truncate(slot.text.moveIndex32(0, subjectLimit));
    }
    slot.used = true;
    return slot.text;
}

bool RegexCache::search(std::string_view pattern, std::string_view subject) {
    Entry& entry = lookup(pattern);
    if (!entry.matcher) return false;
    if (!entry.timedOut.empty()) {
        if (entry.timedOut.find(subject) != entry.timedOut.end()) return false;
        // A slow pattern waits for the next scan once this one has used its budget.
        if (scanTimeouts_ >= timeoutsPerScan) return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    entry.matcher->reset(searchText(subject));
    bool found = entry.matcher->find(status);
    if (status == U_REGEX_TIME_OUT) {
        ++timeouts_;
        ++scanTimeouts_;
        if (entry.timedOut.size() >= timedOutLimit) entry.timedOut.clear();
        entry.timedOut.emplace(subject);
    }
    // A time-out or any other failure leaves the question open: no match.
    return U_SUCCESS(status) && found;
}

} // namespace morvelan
