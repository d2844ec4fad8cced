// ContextsCodec: the JSON form of the contexts file (and of exported configurations).
#pragma once

#include "core/model/Context.h"
#include "core/platform/Result.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace morvelan {

// Everything the contexts file holds.
struct SavedConfig {
    std::vector<ContextPtr> contexts;
    std::optional<Uuid> activeID;
    std::vector<Workspace> workspaces; // empty when the file has none
};

// Why a file did not decode, in the terms of a keyed JSON decoder.
struct DecodeError {
    enum class Kind {
        typeMismatch,  // a value of the wrong JSON type
        valueNotFound, // null where a value is required
        keyNotFound,   // a required key is missing
        dataCorrupted, // not JSON, an unknown enumeration string, a malformed UUID
        other,
    };
    Kind kind = Kind::other;
    // Keys from the top level down to the failing value; an array position reads "Index N".
    std::vector<std::string> codingPath;
    // The missing key, for keyNotFound.
    std::string key;
    // The decoder's own words, for dataCorrupted.
    std::string description;
};

// One short sentence for the user about a decoding error.
std::string describe(const DecodeError& error);

// Compact JSON of the configuration. Invalid UTF-8 in any text is written as U+FFFD.
Result<std::string> encodeContexts(const std::vector<ContextPtr>& contexts,
                                   const std::optional<Uuid>& activeID,
                                   const std::vector<Workspace>& workspaces);

// The configuration in `bytes`, or why it is not one. Any schema error rejects the whole file.
std::variant<SavedConfig, DecodeError> decodeContexts(std::string_view bytes);

} // namespace morvelan
