// ArchiveSafety: checks that keep an update archive from writing or pointing outside the folder
// it is unpacked into.
#pragma once

#include "core/platform/Result.h"

#include <filesystem>
#include <string_view>

namespace morvelan {

namespace ArchiveSafety {

// Checks the archive's entry names, one per line as `unzip -Z1` lists them. Refuses an absolute
// name, a ".." component (with "/" or "\" as separator), a name listed twice, and a name that is
// both a file (or link) and the folder of another entry — the shape of an archive that plants a
// link and then writes through it.
Result<void> checkEntries(std::string_view listing);

// Checks every symbolic link under `root` (not following any): each must lead to a place inside
// `root`, both as written and as resolved on disk. A link that cannot be resolved fails too.
Result<void> checkLinks(const std::filesystem::path& root);

} // namespace ArchiveSafety

} // namespace morvelan
