// One scenario, written once against a stage that opens windows as applications do, run on
// the fake window system and on the X11 host under Xvfb + openbox: the fake the core's tests
// stand on answers as the real thing does.
#include "E2eSupport.h"
#include "TestClient.h"
#include "fakes/FakeWindowSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace morvelan::e2e {
namespace {

// A window as its application opens it.
struct Shape {
    std::string title;
    WindowKind kind = WindowKind::normal;
    bool minimized = false;
    bool skipTaskbar = false;
    bool closable = true;
    int desktop = 0;
};

// Opens the scenario's windows and lets the window system catch up. The applications are
// Alpha, Beta and Gamma (pids 4242, 4343, 4444, one process on X11) and Note, a process of
// its own on this machine.
class Stage {
public:
    virtual ~Stage() = default;
    virtual WindowSystem& system() = 0;
    virtual void open(const std::string& name, const std::string& app, const Shape& shape) = 0;
    virtual void retitle(const std::string& name, const std::string& title) = 0;
    // The Note process ends, its windows with it; the next Note window starts a new one.
    virtual void endNote() = 0;
    virtual Pid notePid() = 0;
    // What the window system knows window `name` by: its X window id.
    virtual std::uint64_t handle(const std::string& name) = 0;
    // Lets the window system catch up until `condition` holds; false after a deadline.
    virtual bool until(const std::function<bool()>& condition) = 0;
};

class FakeStage final : public Stage {
public:
    WindowSystem& system() override { return fake_; }
    void open(const std::string& name, const std::string& app, const Shape& shape) override {
        static const std::map<std::string, AppInfo> apps = {
            {"Alpha", {4242, "org.test.Alpha", "Alpha Studio"}},
            {"Beta", {4343, "beta-app", "Beta App"}},
            {"Gamma", {4444, "org.test.Gamma", "Gamma"}}};
        WindowInfo w;
        w.app = app == "Note" ? AppInfo{notePid_, "Note", "Note"} : apps.at(app);
        w.title = shape.title;
        w.kind = shape.kind;
        w.minimized = shape.minimized;
        w.skipTaskbar = shape.skipTaskbar;
        w.closable = shape.closable;
        w.desktop = shape.desktop;
        w.frame = Rect{0, 0, 400, 300};
        // An X client's windows get ids from a range of its own, which the next client to
        // connect takes over once it left.
        std::optional<FakeWindowSystem::Handle> handle;
        if (app == "Note") handle = 0x600000 + ++noteWindows_;
        const WindowID id = fake_.open(w, handle);
        handles_[name] = *fake_.handleOf(id);
        ids_[name] = id;
        // The window manager focuses a new window it shows.
        if (!w.minimized && w.desktop == fake_.currentDesktop) fake_.activate(id);
    }
    void retitle(const std::string& name, const std::string& title) override {
        fake_.setTitle(ids_.at(name), title);
    }
    void endNote() override {
        fake_.exit(notePid_++);
        noteWindows_ = 0;
    }
    Pid notePid() override { return notePid_; }
    std::uint64_t handle(const std::string& name) override { return handles_.at(name); }
    bool until(const std::function<bool()>& condition) override { return condition(); }

private:
    FakeWindowSystem fake_;
    Pid notePid_ = 7001;
    int noteWindows_ = 0;
    std::map<std::string, std::uint64_t> handles_;
    std::map<std::string, WindowID> ids_;
};

class X11Stage final : public Stage {
public:
    X11Stage() {
        ready_ = probe_.ok() && shared_.running() && cleanDesktop(probe_);
        if (ready_) system_ = openWindowSystem();
        // Connected last: when it leaves, no other client has come or gone, so the next Note
        // process gets its X client slot and with it the same window ids.
        note_ = std::make_unique<TestClient>();
        ready_ = ready_ && system_ && note_->running();
    }
    bool ready() const { return ready_; }

    WindowSystem& system() override { return *system_; }
    void open(const std::string& name, const std::string& app, const Shape& shape) override {
        static const std::map<std::string, std::string> apps = {
            {"Alpha", "class=Alpha appid=org.test.Alpha pid=4242"},
            {"Beta", "class=Beta pid=4343"},
            {"Gamma", "class=Gamma appid=org.test.Gamma pid=4444"},
            {"Note", "class=Note"}};
        std::string options = "id=" + name + ' ' + apps.at(app) + " title='" + shape.title + "'";
        if (shape.kind == WindowKind::dialog) options += " type=dialog";
        if (shape.kind == WindowKind::utility) options += " type=utility";
        if (shape.minimized) options += " state=minimized";
        if (shape.skipTaskbar) options += " skiptaskbar=1";
        if (!shape.closable) options += " nodelete=1";
        if (shape.desktop != 0) options += " desktop=" + std::to_string(shape.desktop);
        const xcb_window_t x = (app == "Note" ? *note_ : shared_).open(options);
        EXPECT_NE(x, 0u) << name;
        handles_[name] = x;
        if (app == "Note") noteWindows_.push_back(x);
    }
    void retitle(const std::string& name, const std::string& title) override {
        shared_.send("title " + name + ' ' + title);
    }
    void endNote() override {
        note_.reset();
        EXPECT_TRUE(waitFor(
            [&] {
                const auto listed = probe_.clients();
                return std::none_of(noteWindows_.begin(), noteWindows_.end(), [&](xcb_window_t w) {
                    return std::find(listed.begin(), listed.end(), w) != listed.end();
                });
            },
            10s));
        noteWindows_.clear();
        note_ = std::make_unique<TestClient>();
    }
    Pid notePid() override { return note_->pid(); }
    std::uint64_t handle(const std::string& name) override { return handles_.at(name); }
    bool until(const std::function<bool()>& condition) override {
        return waitFor(*system_, condition, 10s);
    }

private:
    RootProbe probe_;
    TestClient shared_;
    std::unique_ptr<X11WindowSystem> system_;
    std::unique_ptr<TestClient> note_;
    bool ready_ = false;
    std::map<std::string, std::uint64_t> handles_;
    std::vector<xcb_window_t> noteWindows_;
};

class WindowSystemContract : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() == "fake") {
            stage = std::make_unique<FakeStage>();
            return;
        }
        if (!inSession()) GTEST_SKIP() << "the X11 host runs through scripts/xvfb-session";
        auto x11 = std::make_unique<X11Stage>();
        ASSERT_TRUE(x11->ready());
        stage = std::move(x11);
    }

    std::unique_ptr<Stage> stage;
};

TEST_P(WindowSystemContract, WindowsActionsNoticesAndIdsAgree) {
    Stage& d = *stage;
    WindowSystem& ws = d.system();
    std::vector<std::pair<WindowChange, WindowID>> notices;
    ws.setChangeHandler([&](WindowChange c, WindowID id) { notices.emplace_back(c, id); });
    const auto noticed = [&](WindowChange c, WindowID id) {
        return std::find(notices.begin(), notices.end(), std::pair{c, id}) != notices.end();
    };
    const auto listing = [&] {
        std::vector<std::string> out;
        for (const WindowInfo& w : ws.windows())
            out.push_back(describe(w) + ' ' + std::to_string(int(w.frame.width)) + 'x' +
                          std::to_string(int(w.frame.height)));
        return out;
    };
    const auto find = [&](const std::string& title) {
        for (const WindowInfo& w : ws.windows())
            if (w.title == title) return std::optional<WindowInfo>(w);
        return std::optional<WindowInfo>();
    };
    const auto id = [&](const std::string& title) { return find(title).value_or(WindowInfo{}).id; };
    const auto apps = [&] {
        std::set<std::string> out;
        for (const AppInfo& a : ws.runningApplications())
            out.insert(std::to_string(a.pid) + ' ' + a.appId + '|' + a.name);
        return out;
    };
    const auto activeIs = [&](WindowID wanted) {
        const auto a = ws.activeWindow();
        return a && a->id == wanted && a->onCurrentDesktop;
    };

    d.open("a1", "Alpha", {.title = "A one"});
    d.open("a2", "Alpha", {.title = "A two", .minimized = true});
    d.open("a3", "Alpha", {.title = "A tool", .kind = WindowKind::utility, .skipTaskbar = true});
    d.open("b1", "Beta", {.title = "B main"});
    d.open("b2", "Beta", {.title = "B dialog", .kind = WindowKind::dialog, .closable = false});
    d.open("g1", "Gamma", {.title = "G far", .desktop = 1});
    d.open("n1", "Note", {.title = "N one"});
    const std::string note = std::to_string(d.notePid()) + " Note|Note";
    ASSERT_TRUE(d.until([&] { return activeIs(id("N one")); }));
    EXPECT_EQ(listing(), (std::vector<std::string>{
                             "'N one' Note|Note normal closable d0 here 400x300",
                             "'G far' org.test.Gamma|Gamma normal closable d1 400x300",
                             "'B dialog' beta-app|Beta App dialog d0 here 400x300",
                             "'B main' beta-app|Beta App normal closable d0 here 400x300",
                             "'A tool' org.test.Alpha|Alpha Studio utility skip closable d0 here "
                             "400x300",
                             "'A two' org.test.Alpha|Alpha Studio normal minimized closable d0 "
                             "here 400x300",
                             "'A one' org.test.Alpha|Alpha Studio normal closable d0 here 400x300",
                         }));
    EXPECT_EQ(apps(),
              (std::set<std::string>{"4242 org.test.Alpha|Alpha Studio", "4343 beta-app|Beta App",
                                     "4444 org.test.Gamma|Gamma", note}));

    // Focus switches to the window's desktop; raise restacks without moving the focus.
    const WindowID far = id("G far"), one = id("A one"), noteOne = id("N one");
    notices.clear();
    ws.focus(far);
    ASSERT_TRUE(d.until([&] { return activeIs(far) && noticed(WindowChange::active, 0); }));
    EXPECT_EQ(ws.windows().front().id, far);
    EXPECT_FALSE(find("A one")->onCurrentDesktop);
    ws.focus(one);
    ASSERT_TRUE(d.until([&] { return activeIs(one); }));
    ws.raise(id("B main"));
    EXPECT_TRUE(d.until([&] { return ws.windows().front().title == "B main"; }));
    EXPECT_TRUE(activeIs(one));

    notices.clear();
    d.retitle("a1", "A renamed");
    EXPECT_TRUE(d.until([&] { return noticed(WindowChange::title, one); }));
    EXPECT_EQ(id("A renamed"), one);

    // Quitting closes only what can be asked. A process lives on without windows.
    ws.close(noteOne);
    ws.quit(4343);
    EXPECT_TRUE(d.until([&] { return !find("N one") && !find("B main"); }));
    EXPECT_TRUE(find("B dialog"));
    EXPECT_EQ(apps().count(note), 1u);

    notices.clear();
    d.open("n2", "Note", {.title = "N two"});
    EXPECT_TRUE(d.until([&] { return noticed(WindowChange::list, 0) && find("N two"); }));

    // The next process's first window gets the handle of the ended one's first window.
    const WindowID noteTwo = id("N two");
    d.endNote();
    EXPECT_TRUE(d.until([&] { return apps().count(note) == 0 && !find("N two"); }));
    d.open("n3", "Note", {.title = "N three"});
    ASSERT_EQ(d.handle("n3"), d.handle("n1"));
    ASSERT_TRUE(d.until([&] { return find("N three").has_value(); }));
    EXPECT_NE(id("N three"), noteOne);
    EXPECT_NE(id("N three"), noteTwo);

    // A window that cannot be asked is closed by the window manager, which ends its client.
    ws.close(id("B dialog"));
    EXPECT_TRUE(d.until([&] { return !find("B dialog"); }));
}

INSTANTIATE_TEST_SUITE_P(Systems, WindowSystemContract, ::testing::Values("fake", "x11"),
                         [](const auto& info) { return info.param; });

} // namespace
} // namespace morvelan::e2e
