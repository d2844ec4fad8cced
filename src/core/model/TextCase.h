// TextCase: the case-insensitive comparisons of rule conditions and the legacy filter.
#pragma once

#include <string>
#include <string_view>

namespace morvelan {

// Equal under Unicode full case folding ("straße" equals "STRASSE"); no trimming,
// no diacritic folding. Strings are UTF-8; invalid bytes compare as U+FFFD.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// Whether `needle` occurs in `haystack` under full case folding. An empty needle occurs.
bool containsIgnoringCase(std::string_view haystack, std::string_view needle);

// Lower-cased with the root locale's rules, as UTF-8.
std::string lowercased(std::string_view text);

} // namespace morvelan
