// hotkeys_bench: cost of the key decision per event, and heap allocations on its pass path.
#include "core/hotkeys/HotkeyConfig.h"
#include "core/hotkeys/Hotkeys.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::uint64_t> allocations{0};

} // namespace

// Every heap allocation of the program goes through here, so a loop can count its own.
// Workaround: GCC 12 takes the free() below for a mismatch with the new-expressions it inlines.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return ::operator new(size, tag);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace morvelan {
namespace {

// Queued commands are dropped at once: the cost measured is the decision and the queueing.
class DroppingQueue : public MainQueue {
public:
    void post(Task task) override { benchmark::DoNotOptimize(task); }
    void postAfter(double, Task) override {}
    std::unique_ptr<Timer> schedule(double, bool, Task) override { return nullptr; }
    double now() const override { return 0; }
};

class NoFiles : public Files {
public:
    std::filesystem::path appSupportDir() const override { return "/nonexistent"; }
    Result<void> createDirectories(const std::filesystem::path&) override { return success(); }
    bool exists(const std::filesystem::path&) const override { return false; }
    Result<std::string> read(const std::filesystem::path&) override { return failure("none"); }
    Result<void> writeAtomic(const std::filesystem::path&, std::string_view) override {
        return success();
    }
};

// Hands events to the engine's callback the way a source thread does.
class DirectSource : public KeySource {
public:
    Result<void> start(Callback callback) override {
        callback_ = std::move(callback);
        return success();
    }
    bool isEnabled() const override { return true; }
    void enable() override {}
    bool keyboardHeldByOther() const override { return false; }
    std::vector<BindingState> bindingStates() const override { return {}; }
    void setBindings(const std::vector<KeyCombo>&) override {}
    void setRecording(bool) override {}
    void setSwitcherOpen(bool) override {}
    void modifiersArrived() override {}
    Verdict deliver(const KeyEvent& event) { return callback_(event); }

private:
    Callback callback_;
};

constexpr std::uint64_t cmd = Modifier::command;

struct Rig {
    Rig() {
        auto owned = std::make_unique<DirectSource>();
        source = owned.get();
        hotkeys = std::make_unique<Hotkeys>(queue, std::move(owned));
        hotkeys->config = &config;
        hotkeys->start();
    }
    void open() { source->deliver(KeyEvent{KeyEvent::keyDown, 48, cmd, {}}); }

    NoFiles files;
    HotkeyConfig config{files};
    DroppingQueue queue;
    DirectSource* source = nullptr;
    std::unique_ptr<Hotkeys> hotkeys;
};

// Runs one event per iteration through the full callback (counter, snapshot, decision).
void run(benchmark::State& state, bool openFirst, const KeyEvent& event, Verdict expected) {
    Rig rig;
    if (openFirst) rig.open();
    if (rig.source->deliver(event) != expected) {
        state.SkipWithError("unexpected verdict");
        return;
    }
    const std::uint64_t before = allocations.load(std::memory_order_relaxed);
    for (auto _ : state) {
        Verdict verdict = rig.source->deliver(event);
        benchmark::DoNotOptimize(verdict);
    }
    const std::uint64_t spent = allocations.load(std::memory_order_relaxed) - before;
    state.counters["allocs/event"] =
        benchmark::Counter(static_cast<double>(spent), benchmark::Counter::kAvgIterations);
}

void BM_PassLetterWhileClosed(benchmark::State& state) {
    run(state, false, KeyEvent{KeyEvent::keyDown, 0, 0, "a"}, Verdict::pass);
}
void BM_PassModifierChangeWhileClosed(benchmark::State& state) {
    run(state, false, KeyEvent{KeyEvent::flagsChanged, 0, cmd, {}}, Verdict::pass);
}
void BM_PassLetterWhileOpen(benchmark::State& state) {
    run(state, true, KeyEvent{KeyEvent::keyDown, 0, cmd, "a"}, Verdict::pass);
}
void BM_SwallowArrowWhileOpen(benchmark::State& state) {
    run(state, true, KeyEvent{KeyEvent::keyDown, 125, cmd, {}}, Verdict::swallow);
}
void BM_SwallowStepWhileOpen(benchmark::State& state) {
    // Queues one command per event: the only allocation the decision makes.
    run(state, true, KeyEvent{KeyEvent::keyDown, 48, cmd, {}}, Verdict::swallow);
}

BENCHMARK(BM_PassLetterWhileClosed);
BENCHMARK(BM_PassModifierChangeWhileClosed);
BENCHMARK(BM_PassLetterWhileOpen);
BENCHMARK(BM_SwallowArrowWhileOpen);
BENCHMARK(BM_SwallowStepWhileOpen);

} // namespace
} // namespace morvelan

BENCHMARK_MAIN();
