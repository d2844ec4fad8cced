// TextCase: ICU full case folding, with exact shortcuts for text whose folding cannot
// involve anything but ASCII — the common case for application names and bundle ids.
#include "core/model/TextCase.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/uniset.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace morvelan {

namespace {

bool isAscii(std::string_view text) {
    unsigned char bits = 0;
    for (char c : text)
        bits |= static_cast<unsigned char>(c);
    return bits < 0x80;
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool asciiEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

// Byte search ignoring ASCII case. With an ASCII needle a hit is a hit under full folding
// too, whatever else the haystack holds: folding works character by character.
bool asciiContains(std::string_view haystack, std::string_view needle) {
    if (needle.size() > haystack.size()) return false;
    const char first = asciiLower(needle[0]);
    const bool caseless = first < 'a' || first > 'z';
    const std::size_t last = haystack.size() - needle.size();
    for (std::size_t start = 0; start <= last; ++start) {
        if (caseless) {
            // Jump to the next occurrence of a first character that has no case.
            auto* hit = static_cast<const char*>(
                std::memchr(haystack.data() + start, first, last - start + 1));
            if (!hit) return false;
            start = std::size_t(hit - haystack.data());
        } else if (asciiLower(haystack[start]) != first) {
            continue;
        }
        std::size_t k = 1;
        while (k < needle.size() && asciiLower(haystack[start + k]) == asciiLower(needle[k]))
            ++k;
        if (k == needle.size()) return true;
    }
    return false;
}

// The non-ASCII code points whose full folding contains an ASCII letter (ß → ss,
// U+212A KELVIN SIGN → k, U+FB01 ﬁ → fi …); a few dozen, found once from ICU's data.
const std::vector<UChar32>& foldsToAscii() {
    static const std::vector<UChar32> points = [] {
        std::vector<UChar32> found;
        // Changes_When_Casefolded is defined on the decomposed form, so it leaves out
        // letters like U+01F0 (ǰ → j + U+030C); every one of those changes under some
        // case mapping, so the union of both properties holds them all.
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeSet changing, mapped;
        changing.applyIntPropertyValue(UCHAR_CHANGES_WHEN_CASEFOLDED, 1, status);
        mapped.applyIntPropertyValue(UCHAR_CHANGES_WHEN_CASEMAPPED, 1, status);
        if (U_FAILURE(status)) return found;
        changing.addAll(mapped);
        for (int32_t r = 0; r < changing.getRangeCount(); ++r) {
            for (UChar32 c = changing.getRangeStart(r); c <= changing.getRangeEnd(r); ++c) {
                if (c < 0x80) continue;
                icu::UnicodeString folded(c);
                folded.foldCase();
                for (int32_t i = 0; i < folded.length(); ++i)
                    if (folded.charAt(i) < 0x80) {
                        found.push_back(c);
                        break;
                    }
            }
        }
        return found; // ranges come in order, so this is sorted
    }();
    return points;
}

// Whether full folding of `text` gives nothing but non-ASCII characters for its
// non-ASCII part, so that ASCII comparisons of the rest are exact.
bool foldsApartFromAscii(std::string_view text) {
    const auto& special = foldsToAscii();
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        UChar32 c;
        U8_NEXT(bytes, i, length, c);
        if (c >= 0 && std::binary_search(special.begin(), special.end(), c)) return false;
    }
    return true;
}

icu::UnicodeString folded(std::string_view text) {
    icu::UnicodeString s = icu::UnicodeString::fromUTF8(text);
    s.foldCase();
    return s;
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    const bool asciiA = isAscii(a);
    const bool asciiB = isAscii(b);
    if (asciiA && asciiB) return asciiEqual(a, b);
    // One side folds to pure ASCII; the other keeps a non-ASCII character.
    if (asciiA && foldsApartFromAscii(b)) return false;
    if (asciiB && foldsApartFromAscii(a)) return false;
    return folded(a) == folded(b);
}

bool containsIgnoringCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return true;
    if (isAscii(needle)) {
        if (asciiContains(haystack, needle)) return true;
        if (isAscii(haystack) || foldsApartFromAscii(haystack)) return false;
    } else if (isAscii(haystack) && foldsApartFromAscii(needle)) {
        return false;
    }
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
