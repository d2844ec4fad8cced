// HotkeyConfig: loading, decoding and saving hotkeys.json.
#include "core/hotkeys/HotkeyConfig.h"

#include <limits>
#include <nlohmann/json.hpp>

namespace morvelan {

namespace {

using nlohmann::json;

std::optional<KeyBind> decodeBind(const json& object) {
    if (!object.is_object()) return std::nullopt;
    auto keyCode = object.find("keyCode");
    auto mods = object.find("mods");
    if (keyCode == object.end() || mods == object.end()) return std::nullopt;

    KeyBind bind;
    if (keyCode->is_number_unsigned()) {
        auto v = keyCode->get<std::uint64_t>();
        if (v > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) return std::nullopt;
        bind.keyCode = static_cast<int>(v);
    } else if (keyCode->is_number_integer()) {
        auto v = keyCode->get<std::int64_t>();
        if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
            return std::nullopt;
        bind.keyCode = static_cast<int>(v);
    } else {
        return std::nullopt;
    }
    // A negative number parses as a signed integer: not valid raw modifier bits.
    if (!mods->is_number_unsigned()) return std::nullopt;
    bind.mods = mods->get<std::uint64_t>();
    return bind;
}

} // namespace

HotkeyConfig::HotkeyConfig(Files& files)
    : url(files.appSupportDir() / "hotkeys.json"), files_(files) {
    (void)files_.createDirectories(files_.appSupportDir());
    load();
}

const Bindings& HotkeyConfig::defaults() {
    static const Bindings builtIn{
        {HotkeyAction::switcher, KeyBind{Key::tab, Modifier::command}},
        {HotkeyAction::switcherConfined, KeyBind{Key::tab, Modifier::option}},
    };
    return builtIn;
}

std::optional<Bindings> HotkeyConfig::decode(std::string_view bytes) {
    try {
        json doc = json::parse(bytes.begin(), bytes.end(), nullptr, /*allow_exceptions=*/false);
        if (!doc.is_array() || doc.size() % 2 != 0) return std::nullopt;
        Bindings out;
        for (std::size_t i = 0; i < doc.size(); i += 2) {
            if (!doc[i].is_string()) return std::nullopt;
            auto action = hotkeyActionFromString(doc[i].get_ref<const std::string&>());
            if (!action) return std::nullopt;
            auto bind = decodeBind(doc[i + 1]);
            if (!bind) return std::nullopt;
            out[*action] = *bind;
        }
        return out;
    } catch (const json::exception&) {
        return std::nullopt;
    }
}

std::string HotkeyConfig::encode(const Bindings& bindings) {
    json doc = json::array();
    for (const auto& [action, bind] : bindings) {
        doc.push_back(std::string(toString(action)));
        doc.push_back(json{{"keyCode", bind.keyCode}, {"mods", bind.mods}});
    }
    return doc.dump();
}

Result<void> HotkeyConfig::save() {
    return files_.writeAtomic(url, encode(bindings));
}

void HotkeyConfig::load() {
    bindings = defaults();
    auto bytes = files_.read(url);
    if (!bytes) return;
    auto decoded = decode(*bytes);
    if (!decoded) {
        // Keep the unreadable file's bytes aside; the defaults stay.
        auto corrupt = url;
        corrupt += ".corrupt";
        (void)files_.writeAtomic(corrupt, *bytes);
        return;
    }
    for (const auto& [action, bind] : *decoded)
        if (bind.mods & Modifier::all) bindings[action] = bind;
}

} // namespace morvelan
