// Membership matrix: every window against every context, as a switcher opening does.
#include "core/model/Membership.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace morvelan {
namespace {

constexpr int windowCount = 200;
constexpr int contextCount = 50;
constexpr int appCount = 20;

const char* const appNames[appCount] = {
    "Firefox", "Terminal",    "Files",   "Text Editor", "Code",
    "Slack",   "Thunderbird", "GIMP",    "Inkscape",    "LibreOffice Writer",
    "Calc",    "Spotify",     "Signal",  "Zotero",      "Okular",
    "Evince",  "KeePassXC",   "Dolphin", "Konsole",     "Straße Planer",
};

const char* const titleWords[] = {
    "main.cpp",  "Inbox (3)", "README.md",  "Pull Request #42", "design review", "~/src/morvelan",
    "Quarterly", "Downloads", "ssh prod-1", "notes — draft",    "[dev] build",   "Übersicht",
};

std::string bundleOf(int app) {
    std::string name = appNames[app];
    for (char& c : name)
        if (c == ' ') c = '-';
    return "org.example." + name;
}

struct Fixture {
    std::vector<Win> windows;
    std::vector<Context> contexts;
    WidSet live;

    Fixture() {
        for (int i = 0; i < windowCount; ++i) {
            Win w;
            int app = i % appCount;
            w.pid = 1000 + app;
            w.bundleID = bundleOf(app);
            w.appName = appNames[app];
            w.title =
                std::string(titleWords[i % 12]) + " - " + appNames[app] + " " + std::to_string(i);
            w.wid = 0x2000000u + WindowID(i);
            windows.push_back(w);
            live.insert(w.wid);
        }
        for (int k = 0; k < contextCount; ++k) {
            Context c;
            c.name = "Context " + std::to_string(k);
            // Window pins: one live by id, one naming another live window, one stale by title.
            const Win& a = windows[(k * 7) % windowCount];
            const Win& b = windows[(k * 13 + 5) % windowCount];
            c.members.push_back(WinRef{a.bundleID, a.title, false, a.wid});
            c.members.push_back(WinRef{b.bundleID, a.title, false, b.wid});
            c.members.push_back(WinRef{b.bundleID, b.title, false, 0x7000000u + WindowID(k)});
            if (k % 3 == 0) c.members.push_back(WinRef{bundleOf(k % appCount), "", true, {}});

            Rule exclude;
            exclude.exclude = true;
            exclude.clauses = {Condition{RuleField::title, RuleOp::contains, "[dev]"}};
            c.rules.push_back(exclude);

            Rule include;
            switch (k % 3) {
            case 0:
                include.clauses = {
                    Condition{RuleField::appName, RuleOp::equals, appNames[(k + 1) % appCount]}};
                break;
            case 1:
                include.clauses = {
                    Condition{RuleField::title, RuleOp::contains, titleWords[k % 12]},
                    Condition{RuleField::bundleID, RuleOp::contains, "example"}};
                break;
            default:
                include.clauses = {
                    Condition{RuleField::title, RuleOp::regex,
                              "(review|request) #?\\d*|context-" + std::to_string(k)}};
                break;
            }
            c.rules.push_back(include);
            if (k % 5 == 0) {
                Rule second;
                second.clauses = {Condition{RuleField::appName, RuleOp::regex, "^(code|slack)$"},
                                  Condition{RuleField::title, RuleOp::equals, ""}};
                c.rules.push_back(second);
            }
            contexts.push_back(std::move(c));
        }
    }
};

void BM_MembershipMatrix(benchmark::State& state) {
    Fixture fixture;
    for (auto _ : state) {
        int members = 0;
        for (const Win& w : fixture.windows)
            for (const Context& c : fixture.contexts)
                members += belongs(w, c, fixture.live);
        benchmark::DoNotOptimize(members);
    }
    state.counters["pairs"] = windowCount * contextCount;
}
BENCHMARK(BM_MembershipMatrix)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace morvelan

BENCHMARK_MAIN();
