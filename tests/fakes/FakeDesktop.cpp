// FakeDesktop: the scripted Desktop of the core tests.
#include "fakes/FakeDesktop.h"

#include <algorithm>

namespace morvelan {

Element FakeElement::closeButton() {
    if (!closeButton_) {
        auto button = std::make_shared<FakeElement>();
        button->kind = Kind::closeButton;
        button->pid = pid;
        button->label = "close:" + label;
        closeButton_ = button;
    }
    return closeButton_;
}

class FakeDesktop::Observer : public FocusObserver {
public:
    Observer(FakeDesktop& desktop, int id, Pid pid) : desktop_(desktop), id_(id), pid_(pid) {}
    ~Observer() override {
        desktop_.observers_.erase(id_);
        desktop_.record(Action{Action::Kind::unobserve, pid_});
    }

private:
    FakeDesktop& desktop_;
    int id_;
    Pid pid_;
};

FakeDesktop::FakeDesktop() = default;
FakeDesktop::~FakeDesktop() = default;

// --- Scripting ------------------------------------------------------------------

FakeDesktop::App& FakeDesktop::addApp(Pid pid, std::optional<std::string> bundleID,
                                      std::optional<std::string> name, ActivationPolicy policy) {
    App& added = apps.emplace_back();
    added.info = RunningApp{pid, std::move(bundleID), std::move(name), policy, false};
    return added;
}

FakeDesktop::App* FakeDesktop::app(Pid pid) {
    for (App& candidate : apps)
        if (candidate.info.pid == pid) return &candidate;
    return nullptr;
}

FakeElementPtr FakeDesktop::addAxWindow(Pid pid, std::optional<WindowID> wid,
                                        std::optional<std::string> title) {
    auto window = std::make_shared<FakeElement>();
    window->kind = FakeElement::Kind::window;
    window->pid = pid;
    window->wid = wid;
    window->title = std::move(title);
    window->size = Size{800, 600};
    window->label = wid ? "win" + std::to_string(*wid) : "win?";
    if (App* owner = app(pid)) owner->windows.push_back(window);
    return window;
}

WindowInfo& FakeDesktop::addServerWindow(Pid pid, WindowID wid, Rect frame,
                                         std::optional<std::string> name, bool onscreen) {
    WindowInfo& info = serverWindows.emplace_back();
    info.number = wid;
    info.layer = 0;
    info.ownerPid = pid;
    if (App* owner = app(pid)) info.ownerName = owner->info.name;
    info.name = std::move(name);
    info.bounds = WindowInfo::Bounds{frame.x, frame.y, frame.width, frame.height};
    info.onscreen = onscreen;
    return info;
}

FakeElementPtr FakeDesktop::addWindow(Pid pid, WindowID wid, std::string title, Rect frame) {
    auto window = addAxWindow(pid, wid, title);
    window->size = Size{frame.width, frame.height};
    addServerWindow(pid, wid, frame, title);
    return window;
}

void FakeDesktop::removeWindow(WindowID wid) {
    for (App& owner : apps) {
        std::erase_if(owner.windows, [&](const FakeElementPtr& w) { return w->wid == wid; });
        if (owner.focused && owner.focused->wid == wid) owner.focused = nullptr;
    }
    std::erase_if(serverWindows, [&](const WindowInfo& info) { return info.number == wid; });
}

void FakeDesktop::bringToFront(WindowID wid) {
    auto it = std::find_if(serverWindows.begin(), serverWindows.end(),
                           [&](const WindowInfo& info) { return info.number == wid; });
    if (it == serverWindows.end()) return;
    WindowInfo moved = *it;
    serverWindows.erase(it);
    serverWindows.push_front(std::move(moved));
}

// --- Recordings -------------------------------------------------------------------

void FakeDesktop::record(Action action) {
    action.at = clock ? clock() : 0;
    actions.push_back(std::move(action));
}

namespace {

std::string labelOf(const Element& el) {
    const auto* fake = dynamic_cast<const FakeElement*>(el.get());
    return fake ? fake->label : "null";
}

} // namespace

std::vector<std::string> FakeDesktop::trace() const {
    using K = Action::Kind;
    std::vector<std::string> lines;
    for (const Action& a : actions) {
        const std::string pid = std::to_string(a.pid);
        switch (a.kind) {
        case K::manualAccessibility:
            lines.push_back("manualAX " + pid);
            break;
        case K::setMain:
            lines.push_back("setMain " + labelOf(a.element));
            break;
        case K::setFrontmost:
            lines.push_back("frontmost " + labelOf(a.element));
            break;
        case K::raise:
            lines.push_back("raise " + labelOf(a.element));
            break;
        case K::press:
            lines.push_back("press " + labelOf(a.element));
            break;
        case K::activate:
            lines.push_back("activate " + pid);
            break;
        case K::terminate:
            lines.push_back((a.force ? "forceTerminate " : "terminate ") + pid);
            break;
        case K::frontProcess:
            lines.push_back("frontProcess " + pid + " #" + std::to_string(a.wid));
            break;
        case K::postEvent: {
            WindowID wid = 0;
            for (int i = 3; i >= 0; --i)
                wid = (wid << 8) | a.record[0x3C + i];
            lines.push_back("post " + pid + " #" + std::to_string(wid) + " " +
                            std::to_string(a.record[0x08]));
            break;
        }
        case K::observe:
            lines.push_back("observe " + pid);
            break;
        case K::observeFailed:
            lines.push_back("observeFailed " + pid);
            break;
        case K::unobserve:
            lines.push_back("unobserve " + pid);
            break;
        }
    }
    return lines;
}

std::vector<FakeDesktop::Action> FakeDesktop::actionsOf(Action::Kind kind) const {
    std::vector<Action> found;
    for (const Action& a : actions)
        if (a.kind == kind) found.push_back(a);
    return found;
}

int FakeDesktop::count(Action::Kind kind) const {
    return static_cast<int>(std::count_if(actions.begin(), actions.end(),
                                          [&](const Action& a) { return a.kind == kind; }));
}

std::vector<Pid> FakeDesktop::observedPids() const {
    std::vector<Pid> pids;
    for (const auto& [id, entry] : observers_)
        pids.push_back(entry.pid);
    return pids;
}

int FakeDesktop::fireFocusChange(Pid pid) {
    // Copy first: a callback may replace the observer it runs from.
    std::vector<std::function<void()>> callbacks;
    for (const auto& [id, entry] : observers_)
        if (entry.pid == pid) callbacks.push_back(entry.changed);
    for (auto& callback : callbacks)
        callback();
    return static_cast<int>(callbacks.size());
}

void FakeDesktop::fireActivation(std::optional<RunningApp> activated) {
    if (activationHandler_) activationHandler_(std::move(activated));
}

// --- Running applications ------------------------------------------------------------

std::vector<RunningApp> FakeDesktop::runningApplications() {
    std::vector<RunningApp> list;
    for (const App& candidate : apps)
        list.push_back(candidate.info);
    return list;
}

std::optional<RunningApp> FakeDesktop::application(Pid pid) {
    if (App* found = app(pid)) return found->info;
    return std::nullopt;
}

std::optional<RunningApp> FakeDesktop::frontmostApplication() {
    return frontmost ? application(*frontmost) : std::nullopt;
}

void FakeDesktop::activate(Pid pid) {
    record(Action{Action::Kind::activate, pid});
}

void FakeDesktop::terminate(Pid pid, bool force) {
    Action action{Action::Kind::terminate, pid};
    action.force = force;
    record(std::move(action));
}

ImageRef FakeDesktop::icon(Pid pid) {
    if (batchDepth == 0) ++iconReadsOutsideBatch;
    const auto it = icons.find(pid);
    return it == icons.end() ? nullptr : it->second;
}

void FakeDesktop::setActivationHandler(std::function<void(std::optional<RunningApp>)> handler) {
    activationHandler_ = std::move(handler);
}

// --- Elements ---------------------------------------------------------------------------

FakeElement* FakeDesktop::window(const Element& el) const {
    auto* fake = dynamic_cast<FakeElement*>(el.get());
    return fake && fake->kind == FakeElement::Kind::window ? fake : nullptr;
}

Element FakeDesktop::applicationElement(Pid pid) {
    FakeElementPtr& element = appElements_[pid];
    if (!element) {
        element = std::make_shared<FakeElement>();
        element->kind = FakeElement::Kind::application;
        element->pid = pid;
        element->label = "app" + std::to_string(pid);
    }
    return element;
}

std::optional<std::vector<Element>> FakeDesktop::windows(const Element& appElement) {
    ++(batchDepth > 0 ? windowReadsInBatch : windowReadsOutsideBatch);
    const auto* fake = dynamic_cast<const FakeElement*>(appElement.get());
    if (!fake || fake->kind != FakeElement::Kind::application) return std::nullopt;
    App* owner = app(fake->pid);
    if (!owner || owner->windowsFail) return std::nullopt;
    return std::vector<Element>(owner->windows.begin(), owner->windows.end());
}

Element FakeDesktop::focusedWindow(const Element& appElement) {
    const auto* fake = dynamic_cast<const FakeElement*>(appElement.get());
    if (!fake || fake->kind != FakeElement::Kind::application) return nullptr;
    App* owner = app(fake->pid);
    return owner ? owner->focused : nullptr;
}

std::optional<std::string> FakeDesktop::role(const Element& el) {
    auto* w = window(el);
    return w ? w->role : std::nullopt;
}

std::optional<std::string> FakeDesktop::subrole(const Element& el) {
    auto* w = window(el);
    return w ? w->subrole : std::nullopt;
}

std::optional<std::string> FakeDesktop::title(const Element& el) {
    auto* w = window(el);
    return w ? w->title : std::nullopt;
}

std::optional<bool> FakeDesktop::minimized(const Element& el) {
    auto* w = window(el);
    return w ? w->minimized : std::nullopt;
}

std::optional<bool> FakeDesktop::fullScreen(const Element& el) {
    auto* w = window(el);
    return w ? w->fullScreen : std::nullopt;
}

bool FakeDesktop::hasMinimizeButton(const Element& el) {
    auto* w = window(el);
    return w && w->minimizeButton;
}

std::optional<Size> FakeDesktop::size(const Element& el) {
    auto* w = window(el);
    return w ? w->size : std::nullopt;
}

Element FakeDesktop::closeButton(const Element& el) {
    auto* w = window(el);
    return w && w->hasCloseButton ? w->closeButton() : nullptr;
}

std::optional<WindowID> FakeDesktop::windowID(const Element& el) {
    auto* w = window(el);
    return w && idsAvailable ? w->wid : std::nullopt;
}

void FakeDesktop::setManualAccessibility(const Element& appElement) {
    const auto* fake = dynamic_cast<const FakeElement*>(appElement.get());
    Action action{Action::Kind::manualAccessibility, fake ? fake->pid : 0};
    action.element = appElement;
    record(std::move(action));
}

void FakeDesktop::setMain(const Element& el) {
    Action action{Action::Kind::setMain};
    action.element = el;
    record(std::move(action));
}

void FakeDesktop::setFrontmost(const Element& appElement) {
    const auto* fake = dynamic_cast<const FakeElement*>(appElement.get());
    Action action{Action::Kind::setFrontmost, fake ? fake->pid : 0};
    action.element = appElement;
    record(std::move(action));
}

void FakeDesktop::raise(const Element& el) {
    Action action{Action::Kind::raise};
    action.element = el;
    record(std::move(action));
}

void FakeDesktop::press(const Element& button) {
    Action action{Action::Kind::press};
    action.element = button;
    record(std::move(action));
}

std::unique_ptr<FocusObserver> FakeDesktop::observeFocus(Pid pid, std::function<void()> changed) {
    if (observeFails.count(pid) != 0) {
        record(Action{Action::Kind::observeFailed, pid});
        return nullptr;
    }
    const int id = nextObserver_++;
    observers_[id] = ObserverEntry{pid, std::move(changed)};
    record(Action{Action::Kind::observe, pid});
    return std::make_unique<Observer>(*this, id, pid);
}

// --- Window server ------------------------------------------------------------------------

std::optional<std::vector<WindowInfo>> FakeDesktop::windowList(WindowList which,
                                                               WindowID relativeTo) {
    ++listQueries[which];
    if (failingLists.count(which) != 0) return std::nullopt;
    std::vector<WindowInfo> list;
    for (const WindowInfo& info : serverWindows) {
        switch (which) {
        case WindowList::allSpaces:
            list.push_back(info);
            break;
        case WindowList::onScreenOnly:
            if (info.onscreen.value_or(false)) list.push_back(info);
            break;
        case WindowList::including:
            if (info.number == relativeTo && list.empty()) list.push_back(info);
            break;
        }
    }
    return list;
}

std::optional<std::vector<DisplaySpaces>> FakeDesktop::managedDisplaySpaces() {
    return spaces ? displaySpaces : std::nullopt;
}

std::optional<std::vector<WindowID>>
FakeDesktop::windowsInSpaces(const std::vector<std::int64_t>& spaceIDs) {
    spaceQueries.push_back(spaceIDs);
    if (!spaces || windowsInSpacesFails) return std::nullopt;
    std::vector<WindowID> ids;
    for (const std::int64_t space : spaceIDs) {
        const auto it = spaceWindows.find(space);
        if (it != spaceWindows.end()) ids.insert(ids.end(), it->second.begin(), it->second.end());
    }
    return ids;
}

std::optional<ProcessSerial> FakeDesktop::processForPid(Pid pid) {
    if (!frontProcess || noProcess.count(pid) != 0) return std::nullopt;
    return serialOf(pid);
}

void FakeDesktop::setFrontProcess(const ProcessSerial& psn, WindowID wid) {
    Action action{Action::Kind::frontProcess, static_cast<Pid>(psn.value - 0x10000u)};
    action.psn = psn;
    action.wid = wid;
    record(std::move(action));
}

void FakeDesktop::postEventRecord(const ProcessSerial& psn,
                                  const std::array<std::uint8_t, 248>& bytes) {
    Action action{Action::Kind::postEvent, static_cast<Pid>(psn.value - 0x10000u)};
    action.psn = psn;
    action.record = bytes;
    record(std::move(action));
}

void FakeDesktop::beginBatch() {
    ++batchesBegun;
    ++batchDepth;
}

void FakeDesktop::endBatch() {
    ++batchesEnded;
    --batchDepth;
}

} // namespace morvelan
