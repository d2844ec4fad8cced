// AppDelegate: the three troubleshooting files — status.log, focused.log, windows-dump.log —
// each rewritten whole; write errors are ignored.
#include "core/app/AppDelegate.h"

#include <string_view>

namespace morvelan {

namespace {

constexpr std::string_view statusFile = "status.log";
constexpr std::string_view focusedFile = "focused.log";
constexpr std::string_view dumpFile = "windows-dump.log";

const char* text(bool value) {
    return value ? "true" : "false";
}

} // namespace

std::string AppDelegate::statusText() {
    std::string out;
    out += "trusted=";
    out += text(desktop_.isTrusted());
    out += "\naxWid=";
    out += text(engine_.axWidAvailable());
    out += "\nspaceScan=";
    out += text(engine_.spaceScanAvailable());
    out += "\ntapActive=";
    out += text(hotkeys_.keySourceRunning());
    out += "\ntapEnabled=";
    out += text(hotkeys_.keySourceEnabled());
    out += "\neventsSeen=" + std::to_string(hotkeys_.seen());
    out += "\nsecureInput=";
    out += text(hotkeys_.keyboardHeldByOther());
    out += "\ncontexts:\n";
    bool first = true;
    for (const ContextPtr& c : store_.contexts) {
        if (!c) continue;
        if (!first) out += "\n";
        first = false;
        out += "  ";
        out += store_.activeID == c->id ? "*" : " ";
        out += " " + c->name + ": members=" + std::to_string(c->members.size());
    }
    return out;
}

void AppDelegate::writeStatus() {
    (void)files_.writeAtomic(files_.appSupportDir() / statusFile, statusText());
}

std::string AppDelegate::focusedText(const Win& win) {
    ContextPtr context = contextContaining(win);
    return "app=" + win.appName + "\nwid=" + std::to_string(win.wid) + "\ntitle=" + win.title +
           "\nmatchedContext=" + (context ? context->name : std::string("(none)")) + "\n";
}

void AppDelegate::logFocused(const Win& win) {
    std::string key = std::to_string(win.wid) + "\t" + win.title;
    if (key == lastLogged_) return;
    // Updated before writing: a failed write is not retried for the same window.
    lastLogged_ = std::move(key);
    (void)files_.writeAtomic(files_.appSupportDir() / focusedFile, focusedText(win));
}

std::string AppDelegate::dumpText() {
    std::string out = "=== AX per-app (kAXWindows, unfiltered) ===\n";
    out += engine_.debugDump();
    out += "\n\n=== CGWindowList(.optionAll) ===\n";
    out += engine_.cgDump();
    out += "\n\n=== allAcrossSpaces() (what the switcher gets) ===\n";
    bool first = true;
    for (const Win& win : engine_.allAcrossSpaces()) {
        if (!first) out += "\n";
        first = false;
        out += "  app=" + win.appName + " wid=" + std::to_string(win.wid) +
               " ax=" + text(win.ax != nullptr) + " title=" + win.title;
    }
    return out;
}

void AppDelegate::dumpWindows() {
    (void)files_.writeAtomic(files_.appSupportDir() / dumpFile, dumpText());
    log_.log("Morvelan: wrote windows-dump.log");
}

} // namespace morvelan
