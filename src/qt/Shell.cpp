#include "qt/Shell.h"

#include "core/platform/ControlSocket.h"
#include "qt/QtImage.h"
#include "qt/QtKeyMonitor.h"
#include "qt/Relaunch.h"
#include "qt/SettingsStyle.h"
#include "sway/SwayBindings.h"
#include "x11/X11KeySource.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include <unistd.h>

namespace morvelan {

namespace {

constexpr int keyboardSettleMs = 100;

// What key bindings run: morvelan-msg where it sits beside this program (it starts in a few
// milliseconds, without Qt), else this program.
std::filesystem::path bindingExecutable() {
    const std::filesystem::path self = XdgAutostart::runningExecutable();
    const std::filesystem::path msg = self.parent_path() / "morvelan-msg";
    return ::access(msg.c_str(), X_OK) == 0 ? msg : self;
}

// Whether the program runs from inside a CMake build tree: a folder above it holds
// CMakeCache.txt. Asked at run time, so no build folder's path is compiled into the program.
bool inBuildTree(const std::filesystem::path& executable) {
    std::error_code ec;
    const auto exe = std::filesystem::weakly_canonical(executable, ec);
    if (ec) return false;
    for (auto dir = exe.parent_path(); !dir.empty(); dir = dir.parent_path()) {
        if (std::filesystem::exists(dir / "CMakeCache.txt", ec)) return true;
        if (dir == dir.root_path()) break;
    }
    return false;
}

std::filesystem::path loginItemExecutable(const BuildAddresses& addresses) {
    if (addresses.packagedExecutable.empty()) return XdgAutostart::runningExecutable();
    return addresses.packagedExecutable;
}

} // namespace

Shell::Shell(BuildAddresses addresses)
    : addresses_(std::move(addresses)), queue_(this), files_(PosixFiles::dataHomeFolder()),
      configFiles_(PosixFiles::configHomeFolder()),
      defaults_(configFiles_, configFiles_.appSupportDir() / "settings.json"),
      loginItem_(PosixFiles::configHome() / "autostart" / "morvelan.desktop",
                 loginItemExecutable(addresses_)) {
    // Settings are only read here; the folder must exist before the first write.
    static_cast<void>(configFiles_.createDirectories(configFiles_.appSupportDir()));
    // Every window the program opens (Settings, the tour, alerts, file choosers) wears it.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(settingsStyle::appIcon(size));
    QGuiApplication::setWindowIcon(icon);
}

Shell::~Shell() {
    // Nothing asks the core for anything once it is gone.
    dbus_.reset();
    control_.reset();
    // The settings window works on the core's store and engine: it goes first.
    settings_.reset();
    app_.reset();
}

bool Shell::start(const Session& session) {
    if (session.kind == Session::Kind::sway) {
        auto sway = SwayWindowSystem::open();
        if (!sway) {
            std::fprintf(stderr, "morvelan: cannot reach sway: %s\n", sway.error().message.c_str());
            return false;
        }
        sway_ = std::move(*sway);
        sway_->setIconLoader(&loadIcon);
        panel_.setTakesKeyboard(true);
        // sway focuses the panel's X window and gives XWayland the keyboard (and with it the
        // held modifiers) separately: the focus may come first, so read a moment later.
        panel_.onKeyboard = [this] {
            QTimer::singleShot(keyboardSettleMs, this, [this] {
                if (app_) app_->hotkeys().panelHasKeyboard();
            });
        };
        windows_ = sway_.get();
        xEvents_ = std::make_unique<QSocketNotifier>(sway_->fd(), QSocketNotifier::Read);
        connect(xEvents_.get(), &QSocketNotifier::activated, this, [this] {
            sway_->processEvents();
            if (sway_->connectionLost() && !xLost_) {
                xLost_ = true;
                std::fprintf(stderr, "morvelan: lost the connection to sway\n");
                QCoreApplication::exit(1);
            }
        });
    } else {
        x11_ = X11WindowSystem::open();
        if (!x11_) {
            std::fprintf(stderr, "morvelan: cannot connect to the X server\n");
            return false;
        }
        windows_ = x11_.get();
        // The X11 host links no Qt: desktop entries' icons come through Qt's icon theme.
        x11_->setIconLoader(&loadIcon);
        // xcb also queues events while it waits for replies, which the socket never signals:
        // drain before every sleep of the event loop too.
        xEvents_ = std::make_unique<QSocketNotifier>(x11_->fd(), QSocketNotifier::Read);
        connect(xEvents_.get(), &QSocketNotifier::activated, this, [this] {
            // Some clients change a property a thousand times a second: after each read the
            // socket is watched again only 50 ms later, so a burst costs one wake-up.
            xEvents_->setEnabled(false);
            pumpX();
            QTimer::singleShot(50, this, [this] { xEvents_->setEnabled(true); });
        });
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                &Shell::pumpX);
    }
    session_ = session.name;

    // The relaunched copy starts while this one still holds the display's lock: it waits.
    qputenv(relaunchVariable, "1");
    if (addresses_.packagedExecutable.empty() && !addresses_.releaseManifest.empty() &&
        !addresses_.updateKey.empty())
        updater_ = std::make_unique<Updater>(
            http_, processes_, alerts_,
            Updater::Options{
                .bundle =
                    BundleInfo::load(files_, QCoreApplication::applicationFilePath().toStdString(),
                                     MORVELAN_VERSION),
                .manifestUrl = addresses_.releaseManifest,
                .quit = [] { QCoreApplication::exit(0); },
                .publicKey = addresses_.updateKey,
            });
    std::function<void(bool)> checkForUpdates;
    if (updater_) checkForUpdates = [this](bool silent) { updater_->check(silent); };

    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    keyLabels_ = std::make_unique<X11KeyLabels>(x11 ? x11->connection() : nullptr);
    app_ = AppDelegate::create(AppHost{
        .windows = *windows_,
        .queue = queue_,
        .files = files_,
        .log = log_,
        .defaults = defaults_,
        .loginItem = loginItem_,
        .keySource = std::make_unique<X11KeySource>(),
        .panel = panel_,
        .measure = measure_,
        .screens = screens_,
        .menuView = &tray_,
        .keyLabels = keyLabels_.get(),
        .installed = !addresses_.packagedExecutable.empty() ||
                     !inBuildTree(XdgAutostart::runningExecutable()),
        .showIntro = [this] { intro_.show(); },
        .openSettings = [this] { settingsWindow().showSettings(); },
        .openHotkeySettings = [this] { settingsWindow().showHotkeys(); },
        .warningsChanged =
            [this] {
                if (settings_) settings_->model().bump();
            },
        .newContext = [this] { settingsWindow().showContexts(true); },
        .quit = [] { QCoreApplication::exit(0); },
        .checkForUpdates = std::move(checkForUpdates),
    });
    intro_.onOpenSettings = [this] { app_->openSettings(); };
    intro_.onClose = [this] { app_->settings().setHasSeenIntro(true); };
    intro_.hotkeyStatus = [this] {
        auto* menu = app_->menu();
        return menu && !menu->warnings.empty() ? std::optional(menu->warnings.front())
                                               : std::optional<std::string>{};
    };
    // Combinations another program holds never reach the settings window: the key source
    // sees them pressed.
    app_->hotkeys().onRecorded = [this](int keyCode, std::uint64_t mods) {
        if (settings_) settings_->model().capture(keyCode, mods);
    };
    app_->start();
    if (sway_) {
        if (!sway_->ipc().run("for_window [class=\"^Morvelan$\" title=\"^Morvelan Switcher$\"] "
                              "'floating enable, border none, sticky enable'"))
            std::fprintf(stderr, "morvelan: sway refused the switcher panel's window rule\n");
        // No program grabs keys on Wayland: sway runs `morvelan switcher` on its bindings.
        for (const std::string& line :
             addSwitcherBindings(sway_->ipc(), bindingExecutable().string())) {
            log_.log(line);
            std::fprintf(stderr, "morvelan: %s\n", line.c_str());
        }
    }
    // Before the tray: whoever sees the icon can script the program.
    startRemote();
    tray_.attach(*app_->menu());
    tray_.show();
    return true;
}

void Shell::startRemote() {
    auto handle = [this](const nlohmann::json& request) { return remoteRequest(request); };
    if (auto path = controlSocketPath(session_)) {
        control_ = std::make_unique<ControlServer>(handle);
        if (!control_->listen(*path)) control_.reset();
    } else {
        std::fprintf(stderr, "morvelan: no command line: %s\n", path.error().message.c_str());
    }
    dbus_ = DBusService::start(handle);
    app_->remote().onActiveChanged = [this](const nlohmann::json& active) {
        if (control_) control_->broadcast({{"ok", true}, {"active", active}});
        if (dbus_) dbus_->activeChanged(active);
    };
}

nlohmann::json Shell::remoteRequest(const nlohmann::json& request) {
    const auto command = request.is_object() ? request.find("command") : request.end();
    const bool known = request.is_object() && command != request.end();
    if (known && *command == "switcher" && !request.contains("held")) {
        // What is held now is what releasing commits, as for the hotkey. (Under XWayland
        // nothing is known held before the panel has the keyboard: the binding says.)
        nlohmann::json withHeld = request;
        withHeld["held"] = modifierBits(QGuiApplication::queryKeyboardModifiers());
        return app_->remote().handle(withHeld);
    }
    nlohmann::json reply = app_->remote().handle(request);
    if (known && *command == "status" && reply.value("ok", false))
        reply["version"] = MORVELAN_VERSION;
    if (known && *command == "reload" && reply.value("ok", false) && settings_)
        settings_->model().configReplaced();
    return reply;
}

SettingsWindow& Shell::settingsWindow() {
    if (!settings_) {
        settings_ = std::make_unique<SettingsWindow>(
            app_->store(), app_->engine(), app_->config(), app_->settings(), queue_,
            SettingsWindowHooks{
                .showIntro = [this] { intro_.show(); },
                .checkForUpdates =
                    updater_ ? std::function<void()>([this] { updater_->check(false); }) : nullptr,
                .updatesFromPackage = !addresses_.packagedExecutable.empty(),
                .donatePage = QUrl(QString::fromStdString(addresses_.donatePage)),
                .keyLabels = keyLabels_.get(),
                .bindingState =
                    [weak = std::weak_ptr(app_)](HotkeyAction action) {
                        auto app = weak.lock();
                        return app ? app->hotkeys().bindingState(action)
                                   : std::optional<BindingState>{};
                    },
            });
        settings_->setRecording([weak = std::weak_ptr(app_)](bool on) {
            if (auto app = weak.lock()) app->setRecording(on);
        });
    }
    return *settings_;
}

void Shell::pumpX() {
    if (xLost_) return;
    x11_->processEvents();
    if (x11_->connectionLost()) {
        xLost_ = true;
        std::fprintf(stderr, "morvelan: lost the connection to the X server\n");
        QCoreApplication::exit(1);
    }
}

} // namespace morvelan
