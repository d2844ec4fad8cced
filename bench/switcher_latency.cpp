// switcher_latency: how long a window switcher takes from the key press to being on screen,
// mapped and painted, measured from outside on a real X server. Run it through
// bench/switcher-latency, which stages the windows and starts each switcher in turn.
//
//   switcher_latency --name=morvelan --keys=Super_L+Tab --dismiss=Escape [options]
//   switcher_latency --name=rofi --spawn='rofi -show window' [options]
//
//   --name=TEXT        label of the benchmark (with --windows)
//   --windows=N        label: how many windows are open
//   --keys=A+B         a resident switcher: hold A (and any further modifiers), press B
//   --dismiss=KEY      the key that closes a resident switcher without switching; "commit"
//                      releases the held keys instead, switching to the preselected window
//                      (the next opening then shows a new order); the time from that
//                      release to the root's _NET_ACTIVE_WINDOW changing is "switched_ms"
//   --pause=MS         time between a closing and the next opening (default 100)
//   --spawn=COMMAND    a switcher started by the key: COMMAND (split at spaces) is started
//                      at the moment of the press and killed to close it
//   --let-run          (with --spawn) COMMAND presses the keys itself and ends; waited for
//                      instead of killed (the switcher closes on its own)
//   --samples=N        measured openings (default 30), after one untimed warm-up
//   --startup=COMMAND  instead of openings: COMMAND started over and over, each time until
//                      the file --ready names holds the text --ready-text (then stopped)
//   --ready=PATH       (with --startup) the file written when the program is ready
//   --ready-text=TEXT  (with --startup) what it holds then
//   --verbose          print every opening's times to stderr
//
// "Painted": 16 rows spread over the switcher's window, read back from the screen over and
// over, show the picture they then keep for 400 ms; the time is that of its first reading.
#include "x11/X11Connection.h"

#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace morvelan {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Rows read back per look at the window: few enough that the X server, which also has to
// draw the switcher, is not kept busy by the looking; close enough (at most 800 / 16 = 50
// px apart) that every row of tiles is crossed.
constexpr int sampleRows = 16;
// How long a picture has to stay the same to count as the switcher's settled one.
constexpr auto settled = 400ms;

struct Options {
    std::string name = "switcher";
    int windows = 0;
    std::vector<std::string> keys;
    std::string dismiss = "Escape";
    std::chrono::milliseconds pause{100};
    std::vector<std::string> spawn;
    std::vector<std::string> startup;
    std::string ready;
    std::string readyText;
    int samples = 30;
    bool verbose = false;
    bool letRun = false;
};

std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, by);)
        if (!part.empty()) out.push_back(part);
    return out;
}

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Rows of the screen across a rectangle, top to bottom.
using Picture = std::vector<std::vector<std::uint32_t>>;

struct Sample {
    double mapped = 0;   // seconds from the press to the window's MapNotify
    double painted = 0;  // seconds from the press to the settled picture on screen
    double switched = 0; // with --dismiss=commit: seconds from the release to the new focus
    // ... and to the switcher's request for it, as the window manager receives it
    double requested = 0;
};

class Probe {
public:
    explicit Probe(Options options) : options_(std::move(options)), conn_(X11Connection::open()) {
        if (!conn_) return;
        symbols_ = xcb_key_symbols_alloc(conn_->get());
        const std::uint32_t mask =
            XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
        conn_->check(xcb_change_window_attributes_checked(conn_->get(), conn_->root(),
                                                          XCB_CW_EVENT_MASK, &mask));
        // Out of the way of any switcher, so hovering moves no selection.
        xcb_test_fake_input(conn_->get(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, conn_->root(), 0,
                            0, 0);
        sync();
    }
    ~Probe() {
        if (symbols_) xcb_key_symbols_free(symbols_);
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    bool ok() const { return conn_ && symbols_; }
    bool switching() const { return options_.dismiss == "commit"; }
    const std::string& error() const { return error_; }

    // The untimed first opening: waits for the switcher to be ready to answer (a few tries).
    std::optional<Sample> warmUp() {
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (auto sample = measure(10s)) return sample;
            std::this_thread::sleep_for(500ms);
        }
        return std::nullopt;
    }

    // One timed opening and closing.
    std::optional<Sample> measure(std::chrono::milliseconds timeout = 5s) {
        error_.clear();
        drain();
        const bool resident = options_.spawn.empty();
        if (resident) {
            for (std::size_t i = 0; i + 1 < options_.keys.size(); ++i)
                key(XCB_KEY_PRESS, options_.keys[i]);
            sync();
            // A hand holds the modifier a while before the key.
            std::this_thread::sleep_for(30ms);
        }
        pid_t child = -1;
        const auto start = Clock::now();
        if (resident) {
            // A tap: held longer, the key would repeat and move the selection.
            key(XCB_KEY_PRESS, options_.keys.back());
            key(XCB_KEY_RELEASE, options_.keys.back());
            xcb_flush(conn_->get());
        } else {
            child = spawn();
        }

        Sample sample;
        bool closed = false;
        std::optional<xcb_window_t> window = waitMapped(start + timeout);
        if (window) {
            sample.mapped = seconds(Clock::now() - start);
            if (auto painted = waitPainted(*window, start + timeout))
                sample.painted = seconds(*painted - start);
            else
                window.reset();
        } else {
            error_ = "no window was mapped";
        }

        if (resident) {
            const bool commit = options_.dismiss == "commit";
            if (!commit) {
                key(XCB_KEY_PRESS, options_.dismiss);
                key(XCB_KEY_RELEASE, options_.dismiss);
            }
            // Earlier changes of the active window are not this switch's.
            while (
                std::unique_ptr<xcb_generic_event_t, XcbFree> ev{xcb_poll_for_event(conn_->get())})
                ;
            for (std::size_t i = options_.keys.size() - 1; i-- > 0;)
                key(XCB_KEY_RELEASE, options_.keys[i]);
            xcb_flush(conn_->get());
            const auto released = Clock::now();
            if (commit && window) {
                const auto switched = waitSwitchedAndGone(*window, released + timeout);
                if (!switched) return std::nullopt;
                sample.switched = seconds(switched->active - released);
                if (switched->requested)
                    sample.requested = seconds(*switched->requested - released);
                closed = true;
            }
            sync();
        } else if (child > 0) {
            if (!options_.letRun) kill(child, SIGTERM);
            waitpid(child, nullptr, 0);
        }
        if (window && options_.verbose)
            std::fprintf(stderr,
                         "%s: mapped after %.2f ms, painted after %.2f ms, switch requested "
                         "%.2f ms, done %.2f ms\n",
                         options_.name.c_str(), sample.mapped * 1e3, sample.painted * 1e3,
                         sample.requested * 1e3, sample.switched * 1e3);
        if (window && !closed && !waitGone(*window, Clock::now() + 3s)) {
            error_ = "the switcher did not close";
            return std::nullopt;
        }
        // Let the closing settle before the next opening.
        std::this_thread::sleep_for(options_.pause);
        if (!window) return std::nullopt;
        return sample;
    }

private:
    static double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

    void sync() { conn_->reply(xcb_get_input_focus_reply, xcb_get_input_focus(conn_->get())); }

    void key(std::uint8_t type, const std::string& name) {
        const xcb_keysym_t sym = keysym(name);
        std::unique_ptr<xcb_keycode_t, XcbFree> codes(xcb_key_symbols_get_keycode(symbols_, sym));
        if (!codes || codes.get()[0] == XCB_NO_SYMBOL) {
            std::fprintf(stderr, "switcher_latency: no key types %s\n", name.c_str());
            std::exit(2);
        }
        xcb_test_fake_input(conn_->get(), type, codes.get()[0], XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                            0);
    }

    static xcb_keysym_t keysym(const std::string& name) {
        static const std::pair<const char*, xcb_keysym_t> names[] = {
            {"Super_L", 0xffeb}, {"Alt_L", 0xffe9},  {"Control_L", 0xffe3}, {"Shift_L", 0xffe1},
            {"Tab", 0xff09},     {"Escape", 0xff1b}, {"grave", 0x60},       {"Return", 0xff0d},
        };
        for (const auto& [n, sym] : names)
            if (name == n) return sym;
        if (name.size() == 1) return static_cast<unsigned char>(name[0]);
        std::fprintf(stderr, "switcher_latency: unknown key %s\n", name.c_str());
        std::exit(2);
    }

public:
    // One start of --startup: seconds until the ready file says so.
    std::optional<double> startOnce() {
        namespace fs = std::filesystem;
        const fs::path ready = options_.ready;
        std::error_code ec;
        fs::create_directories(ready.parent_path(), ec);
        fs::remove(ready, ec);
        struct Fd {
            int fd;
            ~Fd() { close(fd); }
        } watch{inotify_init1(IN_CLOEXEC)};
        if (watch.fd < 0 || inotify_add_watch(watch.fd, ready.parent_path().c_str(),
                                              IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
            error_ = "cannot watch " + ready.parent_path().string();
            return std::nullopt;
        }
        const auto start = Clock::now();
        const pid_t child = spawn(options_.startup);
        if (child < 0) {
            error_ = "cannot start " + options_.startup[0];
            return std::nullopt;
        }
        std::optional<double> took;
        const auto deadline = start + 10s;
        while (!took && Clock::now() < deadline) {
            pollfd pfd{watch.fd, POLLIN, 0};
            if (poll(&pfd, 1, 100) <= 0) continue;
            char events[4096];
            if (read(watch.fd, events, sizeof events) <= 0) continue;
            std::ifstream in(ready);
            const std::string text{std::istreambuf_iterator<char>(in), {}};
            if (text.find(options_.readyText) != std::string::npos)
                took = seconds(Clock::now() - start);
        }
        if (!took) error_ = options_.startup[0] + " was not ready within 10 s";
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        std::this_thread::sleep_for(options_.pause);
        return took;
    }

private:
    pid_t spawn() { return spawn(options_.spawn); }

    static pid_t spawn(std::vector<std::string>& command) {
        std::vector<char*> argv;
        for (auto& a : command)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
        return pid;
    }

    void drain() {
        sync();
        while (std::unique_ptr<xcb_generic_event_t, XcbFree> ev{xcb_poll_for_event(conn_->get())})
            ;
    }

    // Waits for the next event that `match` accepts.
    template <class Match> bool waitEvent(Clock::time_point deadline, Match match) {
        xcb_connection_t* c = conn_->get();
        while (true) {
            while (std::unique_ptr<xcb_generic_event_t, XcbFree> ev{xcb_poll_for_event(c)})
                if (match(*ev)) return true;
            if (xcb_connection_has_error(c)) return false;
            const auto left =
                std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
            timespec ts{0, static_cast<long>(std::min<std::int64_t>(left.count(), 20000) * 1000)};
            ppoll(&pfd, 1, &ts, nullptr);
        }
    }

    // The first top-level window mapped from now on.
    std::optional<xcb_window_t> waitMapped(Clock::time_point deadline) {
        xcb_window_t mapped = XCB_NONE;
        const bool seen = waitEvent(deadline, [&](const xcb_generic_event_t& ev) {
            if ((ev.response_type & 0x7f) != XCB_MAP_NOTIFY) return false;
            const auto& map = reinterpret_cast<const xcb_map_notify_event_t&>(ev);
            if (map.event != conn_->root()) return false;
            mapped = map.window;
            return true;
        });
        if (!seen) return std::nullopt;
        return mapped;
    }

    // When the root's active window changed; the switcher's window has to close as well.
    struct Switched {
        Clock::time_point active;
        std::optional<Clock::time_point> requested;
    };
    // The root's _NET_ACTIVE_WINDOW changing and the switcher's window gone; on the way, the
    // activation request (sent to the root for the window manager, seen by every client that
    // listens to the root's substructure).
    std::optional<Switched> waitSwitchedAndGone(xcb_window_t window, Clock::time_point deadline) {
        const xcb_atom_t active = conn_->ewmh()._NET_ACTIVE_WINDOW;
        std::optional<Clock::time_point> switched;
        std::optional<Clock::time_point> requested;
        bool gone = false;
        waitEvent(deadline, [&](const xcb_generic_event_t& ev) {
            const int type = ev.response_type & 0x7f;
            if (type == XCB_CLIENT_MESSAGE) {
                if (!requested &&
                    reinterpret_cast<const xcb_client_message_event_t&>(ev).type == active)
                    requested = Clock::now();
            } else if (type == XCB_PROPERTY_NOTIFY) {
                const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(ev);
                if (!switched && p.window == conn_->root() && p.atom == active)
                    switched = Clock::now();
            } else if (type == XCB_UNMAP_NOTIFY) {
                gone =
                    gone || reinterpret_cast<const xcb_unmap_notify_event_t&>(ev).window == window;
            } else if (type == XCB_DESTROY_NOTIFY) {
                gone = gone ||
                       reinterpret_cast<const xcb_destroy_notify_event_t&>(ev).window == window;
            }
            return switched && gone;
        });
        if (!switched)
            error_ = "the active window did not change";
        else if (!gone)
            error_ = "the switcher did not close";
        if (!switched || !gone) return std::nullopt;
        return Switched{*switched, requested};
    }

    bool waitGone(xcb_window_t window, Clock::time_point deadline) {
        return waitEvent(deadline, [&](const xcb_generic_event_t& ev) {
            const int type = ev.response_type & 0x7f;
            if (type == XCB_UNMAP_NOTIFY)
                return reinterpret_cast<const xcb_unmap_notify_event_t&>(ev).window == window;
            if (type == XCB_DESTROY_NOTIFY)
                return reinterpret_cast<const xcb_destroy_notify_event_t&>(ev).window == window;
            return false;
        });
    }

    // The window's rectangle on the screen, cut to the screen.
    std::optional<Rect> onScreen(xcb_window_t window) {
        auto g = conn_->reply(xcb_get_geometry_reply, xcb_get_geometry(conn_->get(), window));
        if (!g) return std::nullopt;
        const auto& screen = conn_->screen();
        Rect r;
        r.x = std::max<int>(0, g->x);
        r.y = std::max<int>(0, g->y);
        r.width = std::min<int>(screen.width_in_pixels, g->x + g->width) - r.x;
        r.height = std::min<int>(screen.height_in_pixels, g->y + g->height) - r.y;
        if (r.width <= 0 || r.height <= 0) return std::nullopt;
        return r;
    }

    // Rows spread over `r` as the screen shows them, all requests sent before any reply is
    // read.
    Picture capture(const Rect& r) {
        xcb_connection_t* c = conn_->get();
        std::vector<xcb_get_image_cookie_t> cookies;
        const int rows = std::min(r.height, sampleRows);
        for (int i = 0; i < rows; ++i) {
            const int y = r.y + (rows == 1 ? 0 : i * (r.height - 1) / (rows - 1));
            cookies.push_back(xcb_get_image(
                c, XCB_IMAGE_FORMAT_Z_PIXMAP, conn_->root(), static_cast<std::int16_t>(r.x),
                static_cast<std::int16_t>(y), static_cast<std::uint16_t>(r.width), 1, ~0u));
        }
        Picture out;
        out.reserve(cookies.size());
        for (auto cookie : cookies) {
            std::unique_ptr<xcb_get_image_reply_t, XcbFree> reply(
                xcb_get_image_reply(c, cookie, nullptr));
            std::vector<std::uint32_t> row;
            if (reply && reply->depth >= 24) {
                const auto* data = xcb_get_image_data(reply.get());
                const int length = xcb_get_image_data_length(reply.get());
                row.resize(static_cast<std::size_t>(length) / 4);
                std::memcpy(row.data(), data, row.size() * 4);
            }
            out.push_back(std::move(row));
        }
        return out;
    }

    // The moment the window first showed the picture it then keeps for 400 ms.
    std::optional<Clock::time_point> waitPainted(xcb_window_t window, Clock::time_point deadline) {
        auto rect = onScreen(window);
        if (!rect) {
            error_ = "the switcher's window is off the screen";
            return std::nullopt;
        }
        Picture last;
        Clock::time_point lastChange;
        while (Clock::now() < deadline) {
            Picture now = capture(*rect);
            const auto at = Clock::now();
            if (now != last) {
                last = std::move(now);
                lastChange = at;
            } else if (at - lastChange >= settled) {
                return lastChange;
            }
        }
        error_ = "the switcher's picture never settled";
        return std::nullopt;
    }

    Options options_;
    std::unique_ptr<X11Connection> conn_;
    xcb_key_symbols_t* symbols_ = nullptr;
    std::string error_;
};

Probe* probe = nullptr;

void openSwitcher(benchmark::State& state) {
    for (auto _ : state) {
        std::optional<Sample> sample;
        for (int attempt = 0; attempt < 3 && !sample; ++attempt)
            sample = probe->measure();
        if (!sample) {
            // Workaround: Google Benchmark 1.7 crashes computing the statistics of
            // repetitions that all failed; stop here instead.
            std::fprintf(stderr, "switcher_latency: %s\n", probe->error().c_str());
            std::exit(1);
        }
        state.SetIterationTime(sample->painted);
        state.counters["mapped_ms"] = sample->mapped * 1e3;
        if (probe->switching()) {
            state.counters["switched_ms"] = sample->switched * 1e3;
            state.counters["requested_ms"] = sample->requested * 1e3;
        }
    }
}

void startUp(benchmark::State& state) {
    for (auto _ : state) {
        const auto took = probe->startOnce();
        if (!took) {
            std::fprintf(stderr, "switcher_latency: %s\n", probe->error().c_str());
            std::exit(1);
        }
        state.SetIterationTime(*took);
    }
}

} // namespace
} // namespace morvelan

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    morvelan::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto eq = arg.find('=');
        const std::string key = arg.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : arg.substr(eq + 1);
        if (key == "--name") {
            options.name = value;
        } else if (key == "--windows") {
            options.windows = std::atoi(value.c_str());
        } else if (key == "--keys") {
            options.keys = morvelan::split(value, '+');
        } else if (key == "--dismiss") {
            options.dismiss = value;
        } else if (key == "--spawn") {
            options.spawn = morvelan::split(value, ' ');
        } else if (key == "--startup") {
            options.startup = morvelan::split(value, ' ');
        } else if (key == "--ready") {
            options.ready = value;
        } else if (key == "--ready-text") {
            options.readyText = value;
        } else if (key == "--pause") {
            options.pause = std::chrono::milliseconds(std::max(0, std::atoi(value.c_str())));
        } else if (key == "--let-run") {
            options.letRun = true;
        } else if (key == "--verbose") {
            options.verbose = true;
        } else if (key == "--samples") {
            options.samples = std::max(1, std::atoi(value.c_str()));
        } else {
            std::fprintf(stderr, "switcher_latency: unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    const int modes = !options.keys.empty() + !options.spawn.empty() + !options.startup.empty();
    if (modes != 1 || (!options.startup.empty() && options.ready.empty())) {
        std::fprintf(stderr,
                     "switcher_latency: give one of --keys, --spawn, --startup (with --ready)\n");
        return 2;
    }
    if (!std::getenv("MORVELAN_SESSION_DIR")) {
        std::fprintf(stderr, "switcher_latency: run it through bench/switcher-latency\n");
        return 2;
    }

    morvelan::Probe probe(options);
    if (!probe.ok()) {
        std::fprintf(stderr, "switcher_latency: cannot connect to the X server\n");
        return 2;
    }
    const auto largest = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    };
    // One timed sample per repetition, reported as median, mean and maximum.
    const auto run = [&](const std::string& kind, void (*measure)(benchmark::State&)) {
        const std::string name =
            kind + "/" + options.name + "/windows:" + std::to_string(options.windows);
        benchmark::RegisterBenchmark(name.c_str(), measure)
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(options.samples)
            ->ReportAggregatesOnly(true)
            ->ComputeStatistics("max", largest)
            ->Unit(benchmark::kMillisecond);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    };
    if (!options.startup.empty()) {
        morvelan::probe = &probe;
        return run("start_up", morvelan::startUp);
    }
    auto first = probe.warmUp();
    if (!first) {
        std::fprintf(stderr, "switcher_latency: %s never opened: %s\n", options.name.c_str(),
                     probe.error().c_str());
        return 1;
    }
    std::fprintf(stderr, "switcher_latency: %s first opening mapped after %.1f ms\n",
                 options.name.c_str(), first->mapped * 1e3);
    morvelan::probe = &probe;
    return run("switcher_latency", morvelan::openSwitcher);
}
