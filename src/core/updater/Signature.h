// Signature: checks an update archive's Ed25519 signature against the key built into Morvelan.
#pragma once

#include "core/platform/Result.h"

#include <filesystem>
#include <string_view>

namespace morvelan::Signature {

// Whether `signatureHex` (64 bytes as hex) is the Ed25519 signature of the file's bytes by the
// key `publicKeyHex` (32 bytes as hex). Any malformed or missing piece fails.
Result<void> check(const std::filesystem::path& file, std::string_view signatureHex,
                   std::string_view publicKeyHex);

} // namespace morvelan::Signature
