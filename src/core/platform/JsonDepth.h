// JsonDepth: the nesting limit for the program's JSON files, checked before parsing.
#pragma once

#include <string_view>

namespace morvelan {

// Files nested deeper than this are refused before parsing: the parser, the document and its
// writer recurse once per level.
inline constexpr int maxJsonDepth = 512;

// Whether arrays and objects nest deeper than `limit`, outside strings; stops counting there.
bool nestedDeeperThan(std::string_view bytes, int limit = maxJsonDepth);

} // namespace morvelan
