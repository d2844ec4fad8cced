// SwayBindings: the switcher's key bindings on sway.
#include "sway/SwayBindings.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace morvelan {
namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return out;
}

// The parts of a combination, lower case, with sway's other names for the modifiers.
std::set<std::string> parts(std::string_view combo) {
    static const std::map<std::string, std::string> same = {{"super", "mod4"}, {"alt", "mod1"}};
    std::set<std::string> out;
    std::stringstream in{std::string(combo)};
    for (std::string part; std::getline(in, part, '+');) {
        part = lower(part);
        const auto it = same.find(part);
        out.insert(it != same.end() ? it->second : part);
    }
    return out;
}

std::string expand(std::string text, const std::map<std::string, std::string>& vars) {
    // Longest names first, so "$mod" does not eat the start of "$mod2".
    for (auto it = vars.rbegin(); it != vars.rend(); ++it)
        for (std::size_t at; (at = text.find(it->first)) != std::string::npos;)
            text.replace(at, it->first.size(), it->second);
    return text;
}

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace

bool bindsCombo(std::string_view config, std::string_view combo) {
    const auto wanted = parts(combo);
    std::map<std::string, std::string> vars;
    std::stringstream in{std::string(config)};
    for (std::string line; std::getline(in, line);) {
        std::stringstream words(line);
        std::string word;
        words >> word;
        if (word == "set") {
            std::string name, value;
            words >> name >> value;
            if (name.starts_with('$')) vars[name] = expand(value, vars);
        } else if (word == "bindsym") {
            while (words >> word && word.starts_with("--")) {
            }
            if (parts(expand(word, vars)) == wanted) return true;
        }
    }
    return false;
}

std::vector<std::string> addSwitcherBindings(SwayIpc& ipc, const std::string& executable) {
    const auto reply = ipc.request(swayipc::getConfig);
    const std::string config =
        reply && reply->is_object() ? reply->value("config", std::string()) : std::string();
    std::vector<std::string> log;
    for (const auto& [combo, args] : {std::pair{"Mod4+Tab", " switcher --held=super"},
                                      std::pair{"Mod1+Tab", " switcher --confined --held=alt"}}) {
        if (bindsCombo(config, combo)) continue;
        const std::string command = quoted(executable) + args;
        // sway runs `exec` through sh -c: the executable's path is quoted for it.
        if (ipc.run(std::string("bindsym --no-warn ") + combo + " exec " + command))
            log.push_back(std::string("added the sway binding ") + combo + " to run " + command +
                          " for this session");
        else
            log.push_back(std::string("sway refused the binding ") + combo);
    }
    return log;
}

} // namespace morvelan
