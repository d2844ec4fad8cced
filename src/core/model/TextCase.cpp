// TextCase: ICU case folding with a fast path for plain ASCII, the common case for
// application names and bundle identifiers.
#include "core/model/TextCase.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>

namespace morvelan {

namespace {

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// ASCII characters fold to ASCII characters, so two ASCII strings compare exactly
// like their full case folds.
bool asciiEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

bool asciiContains(std::string_view haystack, std::string_view needle) {
    if (needle.size() > haystack.size()) return false;
    for (std::size_t start = 0; start + needle.size() <= haystack.size(); ++start)
        if (asciiEqual(haystack.substr(start, needle.size()), needle)) return true;
    return false;
}

icu::UnicodeString folded(std::string_view text) {
    icu::UnicodeString s = icu::UnicodeString::fromUTF8(text);
    s.foldCase();
    return s;
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (isAscii(a) && isAscii(b)) return asciiEqual(a, b);
    return folded(a) == folded(b);
}

bool containsIgnoringCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return true;
    if (isAscii(haystack) && isAscii(needle)) return asciiContains(haystack, needle);
    icu::UnicodeString n = folded(needle);
    if (n.isEmpty()) return true; // ICU finds no empty needle; an empty substring is everywhere
    return folded(haystack).indexOf(n) >= 0;
}

std::string lowercased(std::string_view text) {
    if (isAscii(text)) {
        std::string out(text);
        for (char& c : out)
            c = asciiLower(c);
        return out;
    }
    icu::UnicodeString s = icu::UnicodeString::fromUTF8(text);
    s.toLower(icu::Locale::getRoot());
    std::string out;
    s.toUTF8String(out);
    return out;
}

} // namespace morvelan
