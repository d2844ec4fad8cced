// DiagnosticLogs: the texts of the three troubleshooting files and their writing.
#include "core/app/DiagnosticLogs.h"

#include <cmath>
#include <string_view>

namespace morvelan {

namespace {

constexpr std::string_view statusFile = "status.log";
constexpr std::string_view focusedFile = "focused.log";
constexpr std::string_view dumpFile = "windows-dump.log";

const char* text(bool value) {
    return value ? "true" : "false";
}

std::string number(double value) {
    return std::to_string(static_cast<long long>(std::trunc(value)));
}

std::string_view kindName(WindowKind kind) {
    switch (kind) {
    case WindowKind::normal:
        return "normal";
    case WindowKind::dialog:
        return "dialog";
    case WindowKind::utility:
        return "utility";
    case WindowKind::splash:
        return "splash";
    }
    return "?";
}

// "800x600+10+20", as X geometry is written.
std::string geometry(const Rect& r) {
    const auto offset = [](double v) { return (v < 0 ? "" : "+") + number(v); };
    return number(r.width) + "x" + number(r.height) + offset(r.x) + offset(r.y);
}

std::string describe(const WindowInfo& w) {
    std::string states;
    const auto add = [&](bool on, std::string_view name) {
        if (!on) return;
        if (!states.empty()) states += ',';
        states += name;
    };
    add(w.minimized, "minimized");
    add(w.fullScreen, "fullscreen");
    add(w.skipTaskbar, "skip-taskbar");
    add(w.closable, "closable");
    std::string desktop = w.desktop == WindowInfo::allDesktops ? "all" : std::to_string(w.desktop);
    if (w.onCurrentDesktop) desktop += " (current)";
    return "  id=" + std::to_string(w.id) + " pid=" + std::to_string(w.app.pid) +
           " app=" + w.app.appId + " \"" + w.app.name + "\" kind=" + std::string(kindName(w.kind)) +
           " states=" + (states.empty() ? "-" : states) + " desktop=" + desktop +
           " frame=" + geometry(w.frame) + " title='" + w.title + "'";
}

} // namespace

std::string DiagnosticLogs::statusText() const {
    std::string out;
    out += "tapActive=";
    out += text(hotkeys_.keySourceRunning());
    out += "\ntapEnabled=";
    out += text(hotkeys_.keySourceEnabled());
    out += "\neventsSeen=" + std::to_string(hotkeys_.seen());
    out += "\nsecureInput=";
    out += text(hotkeys_.keyboardHeldByOther());
    for (const std::string& warning : warnings)
        out += "\nwarning=" + warning;
    out += "\ncontexts:\n";
    bool first = true;
    for (const ContextPtr& c : store_.contexts()) {
        if (!c) continue;
        if (!first) out += "\n";
        first = false;
        out += "  ";
        out += store_.activeID() == c->id ? "*" : " ";
        out += " " + c->name + ": members=" + std::to_string(c->members.size());
    }
    return out;
}

void DiagnosticLogs::writeStatus() {
    (void)files_.writeAtomic(files_.appSupportDir() / statusFile, statusText());
}

std::string DiagnosticLogs::focusedText(const Win& win) const {
    ContextPtr context = follower_.contextContaining(win);
    return "app=" + win.appName + "\nwid=" + std::to_string(win.wid) + "\ntitle=" + win.title +
           "\nmatchedContext=" + (context ? context->name : std::string("(none)")) + "\n";
}

void DiagnosticLogs::logFocused(const Win& win) {
    std::string key = std::to_string(win.wid) + "\t" + win.title;
    if (key == lastLogged_) return;
    // Updated before writing: a failed write is not retried for the same window.
    lastLogged_ = std::move(key);
    (void)files_.writeAtomic(files_.appSupportDir() / focusedFile, focusedText(win));
}

std::string DiagnosticLogs::dumpText() {
    WindowSystemBatch batch(engine_.system());
    const std::vector<Win> listed = engine_.allWindows();
    std::string out = "=== Every window of every desktop, front to back ===";
    for (const WindowInfo& w : engine_.lastReading())
        out += "\n" + describe(w);
    out += "\n\n=== What the switcher lists ===";
    for (const Win& win : listed)
        out += "\n  app=" + win.appName + " wid=" + std::to_string(win.wid) + " title=" + win.title;
    return out;
}

void DiagnosticLogs::dumpWindows() {
    (void)files_.writeAtomic(files_.appSupportDir() / dumpFile, dumpText());
    log_.log("Morvelan: wrote windows-dump.log");
}

} // namespace morvelan
