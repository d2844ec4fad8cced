// SettingsWindow: the settings window — top bar, the three screens and the context editor
// sheet over one SettingsModel — and the key monitor and dialogs it lends the model.
#pragma once

#include "core/settings/SettingsModel.h"

#include <QUrl>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>

class QStackedWidget;
class QTimer;

namespace morvelan {

class AboutTab;
class ContextEditor;
class GeneralTab;
class TopNav;
class WorkspacesContextsTab;

// What the shell gives the settings window besides the core's objects. Every member may be
// left empty; the replacements exist for tests.
struct SettingsWindowHooks {
    // "Show Intro…" on the About page.
    std::function<void()> showIntro;
    // "Check for Updates…": an update check that reports its outcome. Empty in a build
    // without a release address: About says so, and no automatic check is offered.
    std::function<void()> checkForUpdates;
    // A packaged build: About says the package manager brings updates.
    bool updatesFromPackage = false;
    // The donation page; empty: About asks for no donation.
    QUrl donatePage;

    // Null or empty: QMessageBox, QFileDialog, QApplication::beep, QDesktopServices, the
    // freedesktop file manager and the application-wide key filter.
    Alerts* alerts = nullptr;
    Dialogs* dialogs = nullptr;
    std::function<void()> beep;
    std::function<void(const QUrl&)> openUrl;
    std::function<void(const std::filesystem::path&)> showInFileManager;
    std::function<std::unique_ptr<KeyMonitor>(KeyHandler)> installKeyMonitor;
    // The layout's key labels and whether each binding works (SettingsHost); may be left empty.
    const KeyLabels* keyLabels = nullptr;
    std::function<std::optional<BindingState>(HotkeyAction)> bindingState;
};

class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int contentWidth = 760;
    static constexpr int contentHeight = 580;
    // How often the live window counts are refreshed while the window is shown.
    static constexpr int liveWindowsIntervalMs = 2000;

    // Creates the model over the core's objects (which must outlive the window) and the
    // hidden window. Closing the window only hides it.
    SettingsWindow(ContextStore& store, WindowEngine& engine, HotkeyConfig& config,
                   Settings& settings, MainQueue& queue, SettingsWindowHooks hooks = {},
                   QWidget* parent = nullptr);
    ~SettingsWindow() override;

    SettingsModel& model() { return *model_; }
    // Told true while a hotkey is being recorded (the global hotkeys must pause) and false
    // when recording ends (the new binding then takes effect).
    void setRecording(std::function<void(bool)> callback);
    // The open-settings action: the workspaces screen, centred, in front.
    void showSettings();
    // The preferences screen with the hotkey recorders, in front (a tray warning chosen).
    void showHotkeys();
    // Brings the window up on the contexts screen; with `newContext`, creates one and opens
    // its editor.
    void showContexts(bool newContext);

    TopNav* topNav() const { return nav_; }
    QStackedWidget* pages() const { return pages_; }
    GeneralTab* generalTab() const { return general_; }
    WorkspacesContextsTab* workspacesTab() const { return workspaces_; }
    AboutTab* aboutTab() const { return about_; }
    // The open context editor, if any.
    ContextEditor* editor() const { return editor_; }

    // Redraws every screen from the model (normally after each announced change).
    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    class GuardedAlerts;
    class GuardedDialogs;

    void bringToFront();
    void syncEditor();
    void modalEnded();

    SettingsWindowHooks hooks_;
    std::unique_ptr<Alerts> ownAlerts_;
    std::unique_ptr<Dialogs> ownDialogs_;
    std::unique_ptr<GuardedAlerts> alerts_;
    std::unique_ptr<GuardedDialogs> dialogs_;
    std::unique_ptr<SettingsModel> model_;
    Subscription subscription_;
    // Screens are not rebuilt while an alert or file chooser runs its own event loop, since
    // the control that opened it is still on the stack.
    int modalDepth_ = 0;
    bool refreshPending_ = false;

    TopNav* nav_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    WorkspacesContextsTab* workspaces_ = nullptr;
    GeneralTab* general_ = nullptr;
    AboutTab* about_ = nullptr;
    ContextEditor* editor_ = nullptr;
    QTimer* liveWindows_ = nullptr;
};

} // namespace morvelan
