// x11_scan_bench: the window scan the program makes through X11WindowSystem on a real X server
// with 20, 100 and 300 client windows: time per scan and X round trips per scan, cold (the
// window system reads everything again), warm (nothing changed since its last reading) and
// with one window retitled between scans. Run it through bench/run-x11-scan-bench (a fresh
// Xvfb + openbox).
#include "x11/ClientSnapshot.h"
#include "x11/X11Connection.h"
#include "x11/X11WindowSystem.h"

#include <benchmark/benchmark.h>
#include <poll.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace morvelan {
namespace {

constexpr int windowsPerApp = 4;

// The windows under test: made on a connection of their own, `count` at a time.
class Stage {
public:
    static Stage& get() {
        static Stage stage;
        return stage;
    }

    bool ok() const { return maker_ && system_; }
    X11WindowSystem& system() { return *system_; }

    // Replaces the staged windows with `count` new ones and waits until openbox manages
    // all of them. Every fourth window shares a fake pid; windows alternate between the
    // two desktops and every tenth starts minimised.
    bool ensure(int count) {
        if (count == staged_) return true;
        for (xcb_window_t w : windows_)
            xcb_destroy_window(maker_->get(), w);
        windows_.clear();
        xcb_flush(maker_->get());
        if (!waitForClients(0)) return false;
        const auto& e = maker_->ewmh();
        for (int i = 0; i < count; ++i) {
            const xcb_window_t w = xcb_generate_id(maker_->get());
            const std::uint32_t background = 0x305070u + static_cast<std::uint32_t>(i * 1234);
            xcb_create_window(maker_->get(), XCB_COPY_FROM_PARENT, w, maker_->root(), 0, 0, 300,
                              200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                              XCB_CW_BACK_PIXEL, &background);
            const int app = i / windowsPerApp;
            const std::string cls =
                "bench" + std::to_string(app) + '\0' + "Bench" + std::to_string(app) + '\0';
            xcb_change_property(maker_->get(), XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS,
                                XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(cls.size()),
                                cls.data());
            const std::string title = "Bench window " + std::to_string(i);
            xcb_change_property(maker_->get(), XCB_PROP_MODE_REPLACE, w, e._NET_WM_NAME,
                                e.UTF8_STRING, 8, static_cast<std::uint32_t>(title.size()),
                                title.data());
            const std::uint32_t pid = 20000u + static_cast<std::uint32_t>(app);
            xcb_change_property(maker_->get(), XCB_PROP_MODE_REPLACE, w, e._NET_WM_PID,
                                XCB_ATOM_CARDINAL, 32, 1, &pid);
            const std::uint32_t type = e._NET_WM_WINDOW_TYPE_NORMAL;
            xcb_change_property(maker_->get(), XCB_PROP_MODE_REPLACE, w, e._NET_WM_WINDOW_TYPE,
                                XCB_ATOM_ATOM, 32, 1, &type);
            const std::uint32_t desktop = static_cast<std::uint32_t>(i % 2);
            xcb_change_property(maker_->get(), XCB_PROP_MODE_REPLACE, w, e._NET_WM_DESKTOP,
                                XCB_ATOM_CARDINAL, 32, 1, &desktop);
            const std::uint32_t protocols = maker_->atoms().wmDeleteWindow;
            xcb_change_property(maker_->get(), XCB_PROP_MODE_REPLACE, w, e.WM_PROTOCOLS,
                                XCB_ATOM_ATOM, 32, 1, &protocols);
            xcb_icccm_wm_hints_t hints{};
            xcb_icccm_wm_hints_set_input(&hints, 1);
            if (i % 10 == 9)
                xcb_icccm_wm_hints_set_iconic(&hints);
            else
                xcb_icccm_wm_hints_set_normal(&hints);
            xcb_icccm_set_wm_hints(maker_->get(), w, &hints);
            xcb_map_window(maker_->get(), w);
            windows_.push_back(w);
        }
        xcb_flush(maker_->get());
        if (!waitForClients(static_cast<std::size_t>(count))) return false;
        staged_ = count;
        system_->processEvents();
        return true;
    }

    // Retitles the first staged window and waits until the server has done it, so that
    // the next scan has a change to catch up with.
    void retitleOne() {
        const std::string title = "Bench window 0, take " + std::to_string(++retitles_);
        const auto& e = maker_->ewmh();
        xcb_change_property(maker_->get(), XCB_PROP_MODE_REPLACE, windows_.front(), e._NET_WM_NAME,
                            e.UTF8_STRING, 8, static_cast<std::uint32_t>(title.size()),
                            title.data());
        maker_->reply(xcb_get_input_focus_reply, xcb_get_input_focus(maker_->get()));
    }

private:
    Stage() : maker_(X11Connection::open()), system_(X11WindowSystem::open()) {}

    bool waitForClients(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            auto r = maker_->reply(xcb_get_property_reply,
                                   xcb_get_property(maker_->get(), 0, maker_->root(),
                                                    maker_->ewmh()._NET_CLIENT_LIST,
                                                    XCB_ATOM_WINDOW, 0, 1u << 16));
            if (prop::cardinals(r.get()).size() == count) return true;
            // Keeps the window system's event queue short while openbox works.
            if (system_) system_->processEvents();
            poll(nullptr, 0, 10);
        }
        return false;
    }

    std::unique_ptr<X11Connection> maker_;
    std::unique_ptr<X11WindowSystem> system_;
    std::vector<xcb_window_t> windows_;
    int staged_ = -1;
    int retitles_ = 0;
};

// What happens between two scans, outside the timing.
enum class Before {
    nothing,   // warm: the window system's live reading is up to date
    forget,    // cold: the window system reads everything again
    retitleOne // one window's title changed; the scan catches up with it
};

// Runs `scan` once per iteration and reports the X round trips it waited for.
template <class Scan> void measure(benchmark::State& state, Before before, Scan scan) {
    Stage& stage = Stage::get();
    if (!stage.ok()) {
        state.SkipWithError("no X server: run bench/run-x11-scan-bench");
        return;
    }
    if (!stage.ensure(static_cast<int>(state.range(0)))) {
        state.SkipWithError("the window manager did not manage the windows in time");
        return;
    }
    X11WindowSystem& system = stage.system();
    // Up to date before the first timed scan.
    system.windows();
    std::size_t found = 0;
    std::uint64_t trips = 0;
    for (auto _ : state) {
        if (before != Before::nothing) {
            state.PauseTiming();
            // The event loop does not run: it would read the change at once itself.
            if (before == Before::forget)
                system.refetchAll();
            else
                stage.retitleOne();
            state.ResumeTiming();
        }
        const auto start = system.connection().roundTrips();
        found = scan(system);
        trips += system.connection().roundTrips() - start;
    }
    system.processEvents();
    state.counters["roundTrips"] =
        static_cast<double>(trips) / static_cast<double>(state.iterations());
    state.counters["found"] = static_cast<double>(found);
}

// The windows a switcher could list: normal, on the taskbar, not minimised.
std::size_t switchable(const std::vector<WindowInfo>& windows) {
    return static_cast<std::size_t>(
        std::count_if(windows.begin(), windows.end(), [](const WindowInfo& w) {
            return w.kind == WindowKind::normal && !w.skipTaskbar && !w.minimized;
        }));
}

// Every window on every desktop, as the switcher asks for them.
template <Before before> void BM_Windows(benchmark::State& state) {
    measure(state, before, [](X11WindowSystem& system) {
        const auto windows = system.windows();
        benchmark::DoNotOptimize(windows.data());
        return switchable(windows);
    });
}

// A whole scan in one batch: the windows, the active one and the running applications.
template <Before before> void BM_ScanOneBatch(benchmark::State& state) {
    measure(state, before, [](X11WindowSystem& system) {
        WindowSystemBatch batch(system);
        const auto windows = system.windows();
        benchmark::DoNotOptimize(system.activeWindow());
        benchmark::DoNotOptimize(system.runningApplications());
        return switchable(windows);
    });
}

// The raw whole reading: root properties, then every client's properties.
void BM_ClientSnapshot(benchmark::State& state) {
    measure(state, Before::nothing, [](X11WindowSystem& system) {
        const ClientSnapshot s = fetchSnapshot(system.connection());
        return s.windows.size();
    });
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Arg(20)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);
    b->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_ClientSnapshot)->Apply(sizes);
BENCHMARK(BM_ScanOneBatch<Before::forget>)->Name("BM_ScanOneBatch/cold")->Apply(sizes);
BENCHMARK(BM_ScanOneBatch<Before::nothing>)->Name("BM_ScanOneBatch/warm")->Apply(sizes);
BENCHMARK(BM_ScanOneBatch<Before::retitleOne>)->Name("BM_ScanOneBatch/oneRetitled")->Apply(sizes);
BENCHMARK(BM_Windows<Before::forget>)->Name("BM_Windows/cold")->Apply(sizes);
BENCHMARK(BM_Windows<Before::nothing>)->Name("BM_Windows/warm")->Apply(sizes);
BENCHMARK(BM_Windows<Before::retitleOne>)->Name("BM_Windows/oneRetitled")->Apply(sizes);

} // namespace
} // namespace morvelan

BENCHMARK_MAIN();
