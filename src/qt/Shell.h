// Shell: owns the host's implementations of the platform interfaces and the windows Qt
// draws, builds the application core over them and ties the X connection to the event loop.
#pragma once

#include "core/app/AppDelegate.h"
#include "core/platform/JsonFileDefaults.h"
#include "core/platform/PosixFiles.h"
#include "core/platform/SyslogLog.h"
#include "core/platform/XdgAutostart.h"
#include "core/updater/Updater.h"
#include "qt/ControlServer.h"
#include "qt/DBusService.h"
#include "qt/IntroWindow.h"
#include "qt/Program.h"
#include "qt/QtAlerts.h"
#include "qt/QtHttp.h"
#include "qt/QtMainQueue.h"
#include "qt/QtProcesses.h"
#include "qt/QtScreenInfo.h"
#include "qt/QtTextMeasure.h"
#include "qt/Session.h"
#include "qt/SettingsWindow.h"
#include "qt/SwitcherPanelWindow.h"
#include "qt/TrayIcon.h"
#include "sway/SwayWindowSystem.h"
#include "x11/X11KeyLabels.h"
#include "x11/X11WindowSystem.h"

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace morvelan {

class Shell : public QObject {
    Q_OBJECT
public:
    explicit Shell(BuildAddresses addresses);
    ~Shell() override;

    // Connects to the session's window system and starts the core; false (after saying why
    // on stderr) when it cannot run.
    bool start(const Session& session);

private:
    // Reads the X events xcb has queued; ends the program when the connection is gone.
    void pumpX();
    // The settings window, made on first use (the store must be loaded by then).
    SettingsWindow& settingsWindow();
    // Scripts' requests, from the socket and the session bus.
    nlohmann::json remoteRequest(const nlohmann::json& request);
    void startRemote();

    BuildAddresses addresses_;
    QtMainQueue queue_;
    SyslogLog log_;
    PosixFiles files_;
    PosixFiles configFiles_;
    JsonFileDefaults defaults_;
    XdgAutostart loginItem_;
    // One of the two, by the session; `windows_` is the one there is.
    std::unique_ptr<X11WindowSystem> x11_;
    std::unique_ptr<SwayWindowSystem> sway_;
    WindowSystem* windows_ = nullptr;
    std::unique_ptr<X11KeyLabels> keyLabels_;
    std::unique_ptr<QSocketNotifier> xEvents_;
    bool xLost_ = false;
    std::string session_; // names the command socket
    SwitcherPanelWindow panel_;
    QtScreenInfo screens_;
    QtTextMeasure measure_;
    TrayIcon tray_;
    IntroWindow intro_;
    QtHttp http_;
    QtProcesses processes_;
    QtAlerts alerts_;
    // None in a build without a release address.
    std::unique_ptr<Updater> updater_;
    std::unique_ptr<SettingsWindow> settings_;
    std::unique_ptr<ControlServer> control_;
    std::unique_ptr<DBusService> dbus_;
    // Last: it holds references to everything above.
    std::shared_ptr<AppDelegate> app_;
};

} // namespace morvelan
