// X11Text: turns the byte strings of X properties into valid UTF-8, once, at the X11 boundary.
#include "x11/X11Text.h"

#include <algorithm>
#include <cstdint>

namespace morvelan::x11text {
namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

void appendCodePoint(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence starting at `i`, or 0 when it is ill-formed
// (overlong forms, surrogates and code points above U+10FFFF included).
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = b(i);
    if (lead < 0x80) return 1;
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) lo = 0xA0;
        if (lead == 0xED) hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    if (b(i + 1) < lo || b(i + 1) > hi) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
    return n;
}

} // namespace

std::string validUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t n = sequenceLength(bytes, i);
        if (n == 0) {
            out += replacement;
            ++i;
        } else {
            out.append(bytes.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::string latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes)
        appendCodePoint(out, static_cast<unsigned char>(c));
    return out;
}

std::string compoundTextToUtf8(std::string_view s) {
    std::string out;
    bool glAscii = true;  // G0: ASCII until an escape picks another set
    bool grLatin1 = true; // G1: the right half of ISO 8859-1 until an escape picks another
    std::size_t i = 0;
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    while (i < s.size()) {
        const unsigned char c = at(i);
        if (c == 0x1B) {
            // ESC, intermediate bytes 0x20-0x2F, final byte 0x30-0x7E.
            std::size_t j = i + 1;
            while (j < s.size() && at(j) >= 0x20 && at(j) <= 0x2F)
                ++j;
            if (j >= s.size()) {
                break;
            }
            const std::string_view inter = s.substr(i + 1, j - i - 1);
            const char final = s[j];
            i = j + 1;
            if (inter == "%" && final == 'G') {
                // A UTF-8 segment runs until ESC % @.
                const std::size_t end = s.find("\x1B%@", i);
                const std::size_t stop = end == std::string_view::npos ? s.size() : end;
                out += validUtf8(s.substr(i, stop - i));
                i = end == std::string_view::npos ? s.size() : end + 3;
            } else if (inter == "%/" && i + 2 <= s.size()) {
                // Extended segment with a two-byte length: skip it.
                const std::size_t len = (at(i) & 0x7F) * 128u + (at(i + 1) & 0x7F);
                i = std::min(s.size(), i + 2 + len);
                out += replacement;
            } else if (inter == "(") {
                glAscii = final == 'B' || final == 'J';
            } else if (inter == "-") {
                grLatin1 = final == 'A';
            } else if (inter == ")" || inter == "$)") {
                grLatin1 = false;
            } else if (inter == "$(" || inter == "$") {
                glAscii = false;
            }
            continue;
        }
        if (c == 0x9B) {
            // Control sequence (text direction): skip up to its final byte.
            ++i;
            while (i < s.size() && !(at(i) >= 0x40 && at(i) <= 0x7E))
                ++i;
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            if (c == '\t' || c == '\n') out += static_cast<char>(c);
        } else if (c < 0x80) {
            if (glAscii)
                out += static_cast<char>(c);
            else
                out += replacement;
        } else if (c >= 0xA0) {
            if (grLatin1)
                appendCodePoint(out, c);
            else
                out += replacement;
        }
        ++i;
    }
    return out;
}

std::string_view firstItem(std::string_view bytes) {
    const std::size_t nul = bytes.find('\0');
    return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

} // namespace morvelan::x11text
