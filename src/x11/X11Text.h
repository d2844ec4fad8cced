// X11Text: turns the byte strings of X properties into valid UTF-8, once, at the X11 boundary.
#pragma once

#include <string>
#include <string_view>

namespace morvelan::x11text {

// Keeps well-formed UTF-8 and replaces every ill-formed sequence with U+FFFD.
std::string validUtf8(std::string_view bytes);
// ISO 8859-1 (the STRING type) to UTF-8.
std::string latin1ToUtf8(std::string_view bytes);
// COMPOUND_TEXT to UTF-8: the Latin-1 default and embedded UTF-8 segments are decoded;
// text in other character sets becomes U+FFFD.
std::string compoundTextToUtf8(std::string_view bytes);

// The part of a NUL-separated list property before the first NUL.
std::string_view firstItem(std::string_view bytes);

} // namespace morvelan::x11text
