// JsonFileDefaults: typed settings in a JSON object file, rewritten whole on every change.
#include "core/platform/JsonFileDefaults.h"

#include "core/platform/JsonDepth.h"

#include <limits>
#include <nlohmann/json.hpp>

namespace morvelan {

using nlohmann::json;

namespace {

// The JSON value in `bytes`; discarded when it does not parse or nests too deeply, since a
// value nested without bound would make every later write recurse without bound.
json parsed(const std::string& bytes) {
    if (nestedDeeperThan(bytes)) return json(json::value_t::discarded);
    try {
        return json::parse(bytes.begin(), bytes.end(), nullptr, /*allow_exceptions=*/false);
    } catch (const json::exception&) {
        return json(json::value_t::discarded);
    }
}

} // namespace

JsonFileDefaults::JsonFileDefaults(Files& files, std::filesystem::path file)
    : files_(files), file_(std::move(file)), values_(std::make_unique<json>(json::object())) {
    load();
}

void JsonFileDefaults::load() {
    *values_ = json::object();
    auto bytes = files_.read(file_);
    // Only an absent file is empty; one we cannot read may hold the user's settings.
    unreadable_ = !bytes && !bytes.error().notFound;
    if (!bytes) return;
    if (json doc = parsed(*bytes); doc.is_object()) {
        *values_ = std::move(doc);
        return;
    }
    // Keep the broken file's bytes aside; it is replaced by the next change.
    auto corrupt = file_;
    corrupt += ".corrupt";
    (void)files_.writeAtomic(corrupt, *bytes);
}

JsonFileDefaults::~JsonFileDefaults() = default;

std::optional<DefaultValue> JsonFileDefaults::get(std::string_view key) const {
    auto it = values_->find(key);
    if (it == values_->end()) return std::nullopt;
    switch (it->type()) {
    case json::value_t::boolean:
        return DefaultValue{it->get<bool>()};
    case json::value_t::number_integer:
        return DefaultValue{it->get<std::int64_t>()};
    case json::value_t::number_unsigned: {
        auto v = it->get<std::uint64_t>();
        if (v <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return DefaultValue{static_cast<std::int64_t>(v)};
        return DefaultValue{static_cast<double>(v)}; // too large for an integer setting
    }
    case json::value_t::number_float:
        return DefaultValue{it->get<double>()};
    case json::value_t::string:
        return DefaultValue{it->get<std::string>()};
    default:
        return std::nullopt;
    }
}

void JsonFileDefaults::set(std::string_view key, DefaultValue value) {
    json& slot = (*values_)[std::string(key)];
    std::visit([&slot](auto&& v) { slot = v; }, value);
    if (unreadable_) return;
    (void)files_.createDirectories(file_.parent_path());
    std::string bytes;
    try {
        // Invalid UTF-8 in a string value must not cost the other settings.
        bytes = values_->dump(-1, ' ', false, json::error_handler_t::replace);
    } catch (const json::exception&) {
        return;
    }
    (void)files_.writeAtomic(file_, bytes);
}

bool JsonFileDefaults::readable() {
    if (!unreadable_) return true;
    if (auto probe = files_.read(file_); !probe && !probe.error().notFound) return false;
    load();
    return !unreadable_;
}

} // namespace morvelan
