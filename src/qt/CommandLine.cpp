// CommandLine: parses a command, sends it as one JSON line, prints the reply.
#include "qt/CommandLine.h"

#include "qt/Session.h"

#include "core/platform/ControlSocket.h"
#include "core/platform/Keys.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvelan {

namespace {

using nlohmann::json;

constexpr std::array commands = {"contexts", "windows", "activate", "switcher", "pin",
                                 "unpin",    "reload",  "settings", "status"};

std::string dump(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string text(const json& object, const char* key) {
    const auto field = object.find(key);
    return field != object.end() && field->is_string() ? field->get<std::string>() : "";
}

// The reply for people. Status prints the active context's name alone, for status bars.
void printText(const std::string& command, const json& reply) {
    if (command == "contexts") {
        for (const json& c : reply.value("contexts", json::array())) {
            const int n = c.value("windows", 0);
            std::printf("%s %-24s %-8s %3d window%s  %s\n", c.value("active", false) ? "*" : " ",
                        text(c, "name").c_str(), text(c, "colour").c_str(), n, n == 1 ? " " : "s",
                        text(c, "workspace").c_str());
        }
    } else if (command == "windows") {
        for (const json& w : reply.value("windows", json::array())) {
            std::string in;
            for (const json& name : w.value("contexts", json::array()))
                if (name.is_string()) in += (in.empty() ? "" : ", ") + name.get<std::string>();
            std::printf("%-12llu %-20s %s  [%s]\n", w.value("id", 0ULL), text(w, "appName").c_str(),
                        text(w, "title").c_str(), in.c_str());
        }
    } else if (command == "status" || command == "activate") {
        const json active = reply.value("active", json());
        std::printf("%s\n", active.is_object() ? text(active, "name").c_str() : "");
    } else if (command == "reload") {
        std::printf("%s\n", text(reply, "message").c_str());
    }
    std::fflush(stdout);
}

int usageError(const char* message) {
    std::fprintf(stderr, "morvelan: %s (see morvelan --help)\n", message);
    return Exit::usage;
}

// Connects, sends, and prints every reply (one, or one per change with watch). `quiet`
// prints nothing on success.
int exchange(const std::string& display, const json& request, bool asJson, bool quiet = false) {
    auto path = controlSocketPath(display);
    if (!path) {
        std::fprintf(stderr, "morvelan: cannot reach the running copy: %s\n",
                     path.error().message.c_str());
        return Exit::failed;
    }
    auto connection = ControlConnection::open(*path);
    if (!connection) {
        std::fprintf(stderr, "morvelan: %s\n", connection.error().message.c_str());
        return connection.error().notFound ? Exit::notRunning : Exit::failed;
    }
    if (auto sent = connection->send(dump(request)); !sent) {
        std::fprintf(stderr, "morvelan: %s\n", sent.error().message.c_str());
        return Exit::failed;
    }
    const std::string command = request["command"];
    const bool watch = request.value("watch", false);
    for (bool first = true;; first = false) {
        auto line = connection->readLine();
        if (!line) {
            if (!first && line.error().notFound) return Exit::ok; // the copy quit
            std::fprintf(stderr, "morvelan: %s\n", line.error().message.c_str());
            return Exit::failed;
        }
        const json reply = json::parse(*line, nullptr, false);
        if (reply.is_discarded() || !reply.is_object()) {
            std::fprintf(stderr, "morvelan: the running copy answered nonsense\n");
            return Exit::failed;
        }
        if (!reply.value("ok", false)) {
            if (asJson) std::printf("%s\n", line->c_str());
            std::fprintf(stderr, "morvelan: %s\n", text(reply, "message").c_str());
            return Exit::refused;
        }
        if (asJson) {
            std::printf("%s\n", line->c_str());
            std::fflush(stdout);
        } else if (!quiet) {
            printText(command, reply);
        }
        if (!watch) return Exit::ok;
    }
}

// "super+alt" as modifier bits; nothing for an unknown name.
std::optional<std::uint64_t> modifiersNamed(std::string_view names) {
    static constexpr std::pair<std::string_view, std::uint64_t> known[] = {
        {"super", Modifier::command},
        {"alt", Modifier::option},
        {"ctrl", Modifier::control},
        {"shift", Modifier::shift},
    };
    std::uint64_t mods = 0;
    while (!names.empty()) {
        const auto plus = names.find('+');
        const std::string_view name = names.substr(0, plus);
        const auto* it = std::find_if(std::begin(known), std::end(known),
                                      [&](const auto& k) { return k.first == name; });
        if (it == std::end(known)) return std::nullopt;
        mods |= it->second;
        names = plus == std::string_view::npos ? std::string_view() : names.substr(plus + 1);
    }
    return mods;
}

} // namespace

bool isCommand(std::string_view word) {
    for (const char* command : commands)
        if (word == command) return true;
    return false;
}

int runCommand(int argc, char** argv) {
    const std::string command = argv[1];
    json request = {{"command", command}};
    bool asJson = false;
    std::vector<std::string> words;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json")
            asJson = true;
        else if (arg == "--confined" && command == "switcher")
            request["confined"] = true;
        else if (arg.starts_with("--held=") && command == "switcher") {
            const auto held = modifiersNamed(std::string_view(arg).substr(7));
            if (!held) return usageError(("unknown modifier in " + arg).c_str());
            request["held"] = *held;
        } else if (arg == "--watch" && command == "status")
            request["watch"] = true;
        else if (arg.starts_with("--"))
            return usageError(("unknown option " + arg + " for " + command).c_str());
        else
            words.push_back(arg);
    }
    const bool takesName = command == "activate" || command == "pin" || command == "unpin";
    if (words.size() > (takesName ? 1U : 0U))
        return usageError(("too many arguments for " + command).c_str());
    if (command == "activate" && words.empty()) return usageError("activate needs a context");
    if (!words.empty()) request["context"] = words.front();

    const Session session = currentSession();
    if (session.kind == Session::Kind::none) {
        std::fprintf(stderr, "morvelan: %s, so no running copy to talk to\n", unsupportedSession);
        return Exit::failed;
    }
    return exchange(session.name, request, asJson);
}

bool openRunningSettings(std::string_view display) {
    return exchange(std::string(display), {{"command", "settings"}}, false, true) == Exit::ok;
}

} // namespace morvelan
