// SettingsModel: selection, the live-window cache, workspace and context editing, the hotkey
// recorder, the preference bindings and the configuration-file flows.
#include "core/settings/SettingsModel.h"

#include "core/hotkeys/BindingNotes.h"
#include "core/hotkeys/KeyText.h"
#include "core/model/Membership.h"
#include "core/model/RegexCache.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace morvelan {

namespace {

const std::string deleteText = "Delete";
const std::string cancelText = "Cancel";

// The sentence "Its 1 context will move…" / "Its 2 contexts will move…".
std::string movingContextsText(std::size_t n) {
    if (n == 0) return "This cannot be undone.";
    return "Its " + std::to_string(n) + " context" + (n == 1 ? "" : "s") +
           " will move to another workspace.";
}

} // namespace

// --- Subscription ---------------------------------------------------------------------------

Subscription& Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        reset();
        list_ = std::move(other.list_);
        id_ = other.id_;
        other.list_.reset();
    }
    return *this;
}

void Subscription::reset() {
    if (auto list = list_.lock()) list->erase(id_);
    list_.reset();
}

std::string tildePath(const std::filesystem::path& path, const std::filesystem::path& home) {
    const std::string full = path.lexically_normal().string();
    std::string base = home.lexically_normal().string();
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (base.empty() || base == "/") return full;
    if (full == base) return "~";
    if (full.size() > base.size() && full.compare(0, base.size(), base) == 0 &&
        full[base.size()] == '/')
        return "~" + full.substr(base.size());
    return full;
}

// --- Creation -------------------------------------------------------------------------------

SettingsModel::SettingsModel(ContextStore& store, WindowEngine& engine, HotkeyConfig& config,
                             SettingsHost host)
    : store_(store), engine_(engine), config_(config), host_(std::move(host)) {
    if (store_.workspaces().empty()) {
        store_.addWorkspace("Default");
    }
    selectedWorkspaceID_ = store_.workspaces().front().id;
    if (!store_.contexts().empty() && store_.contexts().front())
        selectedContextID_ = store_.contexts().front()->id;
}

SettingsModel::~SettingsModel() {
    // Leaves the hotkey engine running, not suspended.
    monitor_.reset();
    if (recording_) onRecordingChange(false);
}

// --- Change announcements ---------------------------------------------------------------------

Subscription SettingsModel::observe(std::function<void()> observer) {
    const int id = nextObserver_++;
    observers_->emplace(id, std::make_shared<std::function<void()>>(std::move(observer)));
    return Subscription(observers_, id);
}

void SettingsModel::bump() {
    if (bumpPending_) return;
    bumpPending_ = true;
    host_.queue.post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.expired()) return;
        bumpPending_ = false;
        announce();
    });
}

void SettingsModel::announce() {
    // Observers may subscribe or unsubscribe others while being told (screens rebuild).
    const Observers snapshot = *observers_;
    for (const auto& [id, observer] : snapshot)
        if (observers_->count(id) != 0 && *observer) (*observer)();
}

// --- Published state ----------------------------------------------------------------------------

void SettingsModel::setSelectedTab(Tab tab) {
    if (selectedTab_ == tab) return;
    selectedTab_ = tab;
    bump();
}

void SettingsModel::setSelectedContextID(std::optional<Uuid> id) {
    if (selectedContextID_ == id) return;
    selectedContextID_ = id;
    bump();
}

void SettingsModel::setSelectedWorkspaceID(std::optional<Uuid> id) {
    if (selectedWorkspaceID_ == id) return;
    selectedWorkspaceID_ = id;
    bump();
}

void SettingsModel::edit(std::optional<Uuid> id) {
    ContextPtr next = context(id);
    if (next == editing_) return;
    editing_ = std::move(next);
    bump();
}

void SettingsModel::endEditing() {
    if (!editing_) return;
    editing_.reset();
    bump();
}

// --- Reading ------------------------------------------------------------------------------------

const std::vector<Win>& SettingsModel::windows() {
    const double now = host_.queue.now();
    if (now - winsStamp_ > windowsMaxAge) {
        winsCache_ = engine_.allWindows();
        winsStamp_ = now;
    }
    return winsCache_;
}

void SettingsModel::refreshLiveWindows() {
    std::vector<std::pair<WindowID, std::string>> seen;
    for (const Win& w : windows())
        seen.emplace_back(w.wid, w.title);
    if (seen == shownWindows_) return;
    shownWindows_ = std::move(seen);
    bump();
}

std::vector<Win> SettingsModel::matchingWindows(const Context& context,
                                                const std::vector<Win>& within) const {
    std::vector<Win> result;
    for (const Win& w : within)
        if (engine_.belongs(w, context)) result.push_back(w);
    return result;
}

int SettingsModel::alsoIn(const Win& window, const Uuid& excluding) const {
    int n = 0;
    for (const ContextPtr& c : store_.contexts())
        if (c && c->id != excluding && engine_.belongs(window, *c)) ++n;
    return n;
}

std::vector<ContextPtr> SettingsModel::contextsInSelectedWorkspace() const {
    if (!selectedWorkspaceID_) return {};
    std::vector<ContextPtr> result;
    for (const ContextPtr& c : store_.contextsByRecency())
        if (c && store_.workspaceID(*c) == selectedWorkspaceID_) result.push_back(c);
    return result;
}

std::size_t SettingsModel::contextCount(const Uuid& workspace) const {
    return store_.contextsInWorkspace(workspace).size();
}

ContextPtr SettingsModel::context(const std::optional<Uuid>& id) const {
    return store_.find(id);
}

const Workspace* SettingsModel::workspace(const std::optional<Uuid>& id) const {
    if (!id) return nullptr;
    for (const Workspace& w : store_.workspaces())
        if (w.id == *id) return &w;
    return nullptr;
}

Color SettingsModel::colorOf(const Context& context) {
    return colorFromHex(context.colorHex).value_or(systemBlue);
}

// --- Workspaces and contexts ------------------------------------------------------------------

void SettingsModel::addWorkspace() {
    // Named from the count, not from the names in use.
    selectedWorkspaceID_ =
        store_.addWorkspace("Workspace " + std::to_string(store_.workspaces().size() + 1));
    bump();
}

bool SettingsModel::canRemoveSelectedWorkspace() const {
    return workspace(selectedWorkspaceID_) != nullptr && store_.workspaces().size() >= 2;
}

void SettingsModel::removeSelectedWorkspace() {
    if (!canRemoveSelectedWorkspace()) return;
    const Workspace target = *workspace(selectedWorkspaceID_);
    const std::size_t n = contextCount(target.id);
    const int answer = host_.alerts.show(Alert{"Delete workspace “" + target.name + "”?",
                                               movingContextsText(n),
                                               {deleteText, cancelText},
                                               AlertStyle::warning});
    if (answer != 0) return;
    store_.removeWorkspace(target.id);
    selectedWorkspaceID_ = store_.workspaces().empty()
                               ? std::nullopt
                               : std::optional<Uuid>(store_.workspaces().front().id);
    bump();
}

void SettingsModel::renameWorkspace(const Uuid& id, const std::string& name) {
    const Workspace* w = workspace(id);
    if (!w || w->name == name) return;
    store_.renameWorkspace(id, name);
    bump();
}

void SettingsModel::createContext() {
    std::optional<Uuid> target = selectedWorkspaceID_;
    if (!target) target = store_.activeWorkspaceID();
    ContextPtr created = store_.addNewContext(target);
    selectedContextID_ = created->id;
    editing_ = created;
    bump();
}

void SettingsModel::deleteContext(std::optional<Uuid> id) {
    ContextPtr target = context(id);
    if (!target) return;
    const int answer =
        host_.alerts.show(Alert{"Delete context “" + target->name + "”?",
                                "Its pins, rules, and mutes go with it. This cannot be undone.",
                                {deleteText, cancelText},
                                AlertStyle::warning});
    if (answer != 0) return;
    store_.remove(*target);
    if (selectedContextID_ == target->id)
        selectedContextID_ = store_.contexts().empty() || !store_.contexts().front()
                                 ? std::nullopt
                                 : std::optional<Uuid>(store_.contexts().front()->id);
    // The editor of a deleted context has nothing left to edit.
    if (editing_ && editing_->id == target->id) editing_.reset();
    bump();
}

// --- Context editor
// -------------------------------------------------------------------------------

template <class F> void SettingsModel::editContext(const Uuid& id, F edit) {
    ContextPtr target = context(id);
    if (!target) return;
    if (!edit(*target)) return;
    store_.save();
    bump();
}

void SettingsModel::setName(const Uuid& id, const std::string& name) {
    editContext(id, [&](Context& c) {
        if (c.name == name) return false;
        c.name = name;
        return true;
    });
}

void SettingsModel::setColor(const Uuid& id, const Color& color) {
    editContext(id, [&](Context& c) {
        std::string hex = hexFromColor(color);
        if (c.colorHex == hex) return false;
        c.colorHex = std::move(hex);
        return true;
    });
}

void SettingsModel::setWorkspace(const Uuid& id, const Uuid& workspaceID) {
    if (!workspace(workspaceID)) return;
    editContext(id, [&](Context& c) {
        if (c.workspaceID == workspaceID) return false;
        c.workspaceID = workspaceID;
        return true;
    });
}

void SettingsModel::addRule(const Uuid& id, bool exclude) {
    editContext(id, [&](Context& c) {
        Rule rule;
        rule.clauses = {Condition{RuleField::appName, RuleOp::contains, ""}};
        rule.exclude = exclude;
        c.rules.push_back(std::move(rule));
        return true;
    });
}

void SettingsModel::askRemoveRule(const Uuid& id, std::size_t rule) {
    ContextPtr target = context(id);
    if (!target || rule >= target->rules.size()) return;
    const int answer = host_.alerts.show(
        Alert{"Remove this rule?", "", {"Remove rule", cancelText}, AlertStyle::warning});
    if (answer == 0) removeRule(id, rule);
}

void SettingsModel::removeRule(const Uuid& id, std::size_t rule) {
    editContext(id, [&](Context& c) {
        if (rule >= c.rules.size()) return false;
        c.rules.erase(c.rules.begin() + static_cast<std::ptrdiff_t>(rule));
        return true;
    });
}

void SettingsModel::addCondition(const Uuid& id, std::size_t rule) {
    editContext(id, [&](Context& c) {
        if (rule >= c.rules.size()) return false;
        c.rules[rule].clauses.push_back(Condition{RuleField::appName, RuleOp::contains, ""});
        return true;
    });
}

void SettingsModel::setCondition(const Uuid& id, std::size_t rule, std::size_t clause,
                                 Condition condition) {
    editContext(id, [&](Context& c) {
        if (rule >= c.rules.size() || clause >= c.rules[rule].clauses.size()) return false;
        Condition& slot = c.rules[rule].clauses[clause];
        if (slot == condition) return false;
        // An invalid pattern is kept as typed, so it can be fixed later.
        slot = std::move(condition);
        return true;
    });
}

void SettingsModel::removeCondition(const Uuid& id, std::size_t rule, std::size_t clause) {
    editContext(id, [&](Context& c) {
        if (rule >= c.rules.size() || clause >= c.rules[rule].clauses.size()) return false;
        auto& clauses = c.rules[rule].clauses;
        clauses.erase(clauses.begin() + static_cast<std::ptrdiff_t>(clause));
        if (clauses.empty()) c.rules.erase(c.rules.begin() + static_cast<std::ptrdiff_t>(rule));
        return true;
    });
}

std::vector<Win> SettingsModel::ruleMatches(const Rule& rule) {
    std::vector<Win> result;
    for (const Win& w : windows())
        if (rule.test(w.bundleID, w.appName, w.title)) result.push_back(w);
    return result;
}

bool SettingsModel::patternValid(const Condition& condition) {
    if (condition.op != RuleOp::regex) return true;
    return RegexCache::shared().valid(condition.value);
}

std::vector<Win> SettingsModel::pinnedWindows(const Context& context) {
    std::vector<Win> result;
    for (const Win& w : windows())
        if (pins(context, w, engine_.liveWids())) result.push_back(w);
    return result;
}

void SettingsModel::unpin(const Uuid& id, const Win& window) {
    editContext(id, [&](Context& c) {
        return std::erase_if(c.members, [&](const WinRef& ref) {
                   return pinNames(ref, window, engine_.liveWids());
               }) > 0;
    });
}

void SettingsModel::askClearPins(const Uuid& id) {
    if (!context(id)) return;
    const int answer = host_.alerts.show(
        Alert{"Remove all pinned windows?", "", {"Clear pins", cancelText}, AlertStyle::warning});
    if (answer == 0) clearPins(id);
}

void SettingsModel::clearPins(const Uuid& id) {
    editContext(id, [](Context& c) {
        if (c.members.empty()) return false;
        c.members.clear();
        return true;
    });
}

// --- Hotkeys ----------------------------------------------------------------------------------

void SettingsModel::startRecording(HotkeyAction action) {
    stopRecording();
    recording_ = action;
    onRecordingChange(true);
    bump();
    if (host_.installKeyMonitor)
        monitor_ = host_.installKeyMonitor(
            [this, alive = std::weak_ptr<bool>(alive_)](int keyCode, std::uint64_t mods) {
                if (!alive.expired()) capture(keyCode, mods);
            });
}

void SettingsModel::stopRecording() {
    monitor_.reset();
    if (!recording_) return;
    recording_.reset();
    onRecordingChange(false);
    bump();
}

void SettingsModel::capture(int keyCode, std::uint64_t mods) {
    if (!recording_) return;
    if (keyCode == Key::escape) {
        stopRecording();
        return;
    }
    const std::uint64_t held = mods & Modifier::all;
    // A key the file cannot name (no Mac key code) is refused like a bare key.
    if (held == 0 || keyCode < 0) {
        if (host_.beep) host_.beep();
        return;
    }
    config_.bindings[*recording_] = KeyBind{keyCode, held};
    static_cast<void>(config_.save()); // the new binding holds until quit even if unsaved
    stopRecording();
}

std::string SettingsModel::recorderLabel(HotkeyAction action) const {
    if (recording_ == action) return "Press keys…";
    auto it = config_.bindings.find(action);
    if (it == config_.bindings.end()) return "—";
    return KeyText::of(it->second, host_.keyLabels);
}

std::string SettingsModel::recorderNote(HotkeyAction action) const {
    if (recording_ == action || !host_.bindingState) return {};
    return BindingNotes::note(host_.bindingState(action));
}

// --- Preferences --------------------------------------------------------------------------------

bool SettingsModel::autoSwitch() const {
    return host_.settings.autoSwitch();
}

void SettingsModel::setAutoSwitch(bool on) {
    host_.settings.setAutoSwitch(on);
    bump();
}

bool SettingsModel::raiseContext() const {
    return host_.settings.raiseContext();
}

void SettingsModel::setRaiseContext(bool on) {
    host_.settings.setRaiseContext(on);
    bump();
}

bool SettingsModel::launchAtLogin() const {
    return host_.settings.launchAtLogin();
}

void SettingsModel::setLaunchAtLogin(bool on) {
    host_.settings.setLaunchAtLogin(on);
    bump();
}

bool SettingsModel::autoUpdate() const {
    return host_.settings.autoUpdate();
}

void SettingsModel::setAutoUpdate(bool on) {
    host_.settings.setAutoUpdate(on);
    bump();
}

double SettingsModel::switcherDelay() const {
    return host_.settings.switcherDelayMs();
}

void SettingsModel::setSwitcherDelay(double ms) {
    if (std::isnan(ms)) return;
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    // std::round rounds halves away from zero.
    host_.settings.setSwitcherDelayMs(static_cast<int>(std::clamp(std::round(ms), lo, hi)));
    bump();
}

// --- Configuration file
// ---------------------------------------------------------------------------

void SettingsModel::exportConfig() {
    auto target = host_.dialogs.saveFile(FileDialog{"morvelan-config.json", {"json"}});
    if (!target) return;
    static_cast<void>(store_.exportConfig(*target)); // failures are not shown
}

void SettingsModel::importConfig() {
    auto source = host_.dialogs.openFile(FileDialog{"", {"json"}});
    if (!source) return;
    const int answer =
        host_.alerts.show(Alert{"Replace current configuration?",
                                "Importing overwrites all current workspaces, contexts, and rules.",
                                {"Import", cancelText},
                                AlertStyle::warning});
    if (answer != 0) return;
    if (store_.importConfig(*source)) revalidateSelection();
    bump();
}

void SettingsModel::reloadConfig() {
    auto result = store_.reload();
    if (result) {
        revalidateSelection();
        bump();
        host_.alerts.show(Alert{"Config reloaded", "", {"OK"}, AlertStyle::informational});
        return;
    }
    host_.alerts.show(
        Alert{"Config not applied",
              result.error().description() + "\n\nThe previous configuration is still active.",
              {"OK"},
              AlertStyle::warning});
}

void SettingsModel::configReplaced() {
    revalidateSelection();
    bump();
}

void SettingsModel::revalidateSelection() {
    if (!workspace(selectedWorkspaceID_))
        selectedWorkspaceID_ = store_.workspaces().empty()
                                   ? std::nullopt
                                   : std::optional<Uuid>(store_.workspaces().front().id);
    if (!context(selectedContextID_))
        selectedContextID_ = store_.contexts().empty() || !store_.contexts().front()
                                 ? std::nullopt
                                 : std::optional<Uuid>(store_.contexts().front()->id);
    // The replaced objects are no longer the store's: edit the new one, if any.
    if (editing_) editing_ = context(editing_->id);
}

} // namespace morvelan
