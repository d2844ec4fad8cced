// SettingsWindow: builds the screens over the model, redraws them after each announced change
// and opens or closes the context editor as the model's `editing` says.
#include "qt/SettingsWindow.h"

#include "qt/AboutTab.h"
#include "qt/ContextEditor.h"
#include "qt/FileManager.h"
#include "qt/GeneralTab.h"
#include "qt/QtAlerts.h"
#include "qt/QtDialogs.h"
#include "qt/QtKeyMonitor.h"
#include "qt/SettingsStyle.h"
#include "qt/TopNav.h"
#include "qt/WorkspacesContextsTab.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace morvelan {

namespace {

enum Page { workspacesPage, generalPage, aboutPage };

int pageOf(SettingsModel::Tab tab) {
    switch (tab) {
    case SettingsModel::Tab::general:
        return generalPage;
    case SettingsModel::Tab::about:
        return aboutPage;
    case SettingsModel::Tab::workspaces:
    case SettingsModel::Tab::contexts:
        break;
    }
    return workspacesPage;
}

} // namespace

// Counts the modal loops of alerts, so the screens wait for them to end.
class SettingsWindow::GuardedAlerts : public Alerts {
public:
    GuardedAlerts(Alerts& inner, SettingsWindow& window) : inner_(inner), window_(window) {}
    int show(const Alert& alert) override {
        ++window_.modalDepth_;
        const int answer = inner_.show(alert);
        --window_.modalDepth_;
        window_.modalEnded();
        return answer;
    }

private:
    Alerts& inner_;
    SettingsWindow& window_;
};

class SettingsWindow::GuardedDialogs : public Dialogs {
public:
    GuardedDialogs(Dialogs& inner, SettingsWindow& window) : inner_(inner), window_(window) {}
    std::optional<std::filesystem::path> saveFile(const FileDialog& dialog) override {
        return guarded([&] { return inner_.saveFile(dialog); });
    }
    std::optional<std::filesystem::path> openFile(const FileDialog& dialog) override {
        return guarded([&] { return inner_.openFile(dialog); });
    }

private:
    template <class F> std::optional<std::filesystem::path> guarded(F f) {
        ++window_.modalDepth_;
        auto result = f();
        --window_.modalDepth_;
        window_.modalEnded();
        return result;
    }
    Dialogs& inner_;
    SettingsWindow& window_;
};

SettingsWindow::SettingsWindow(ContextStore& store, WindowEngine& engine, HotkeyConfig& config,
                               Settings& settings, MainQueue& queue, SettingsWindowHooks hooks,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), hooks_(std::move(hooks)) {
    setWindowTitle("Morvelan — Settings");
    // The designed size, grown to what the font needs; the layouts set the minimum.
    resize(contentWidth, contentHeight);
    QPalette accented = palette();
    accented.setColor(QPalette::Highlight, settingsStyle::accent());
    accented.setColor(QPalette::HighlightedText, Qt::white);
    accented.setColor(QPalette::Link, settingsStyle::accent());
    setPalette(accented);

    Alerts* alerts = hooks_.alerts;
    if (!alerts) {
        ownAlerts_ = std::make_unique<QtAlerts>();
        alerts = ownAlerts_.get();
    }
    Dialogs* dialogs = hooks_.dialogs;
    if (!dialogs) {
        ownDialogs_ = std::make_unique<QtDialogs>(this);
        dialogs = ownDialogs_.get();
    }
    alerts_ = std::make_unique<GuardedAlerts>(*alerts, *this);
    dialogs_ = std::make_unique<GuardedDialogs>(*dialogs, *this);

    auto installKeyMonitor = hooks_.installKeyMonitor;
    if (!installKeyMonitor)
        installKeyMonitor = [](KeyHandler handler) -> std::unique_ptr<KeyMonitor> {
            return std::make_unique<QtKeyMonitor>(std::move(handler));
        };
    auto beep = hooks_.beep ? hooks_.beep : [] { QApplication::beep(); };
    model_ = std::make_unique<SettingsModel>(store, engine, config,
                                             SettingsHost{
                                                 .queue = queue,
                                                 .settings = settings,
                                                 .alerts = *alerts_,
                                                 .dialogs = *dialogs_,
                                                 .beep = std::move(beep),
                                                 .installKeyMonitor = std::move(installKeyMonitor),
                                                 .keyLabels = hooks_.keyLabels,
                                                 .bindingState = hooks_.bindingState,
                                             });
    model_->onShowIntro = [this] {
        if (hooks_.showIntro) hooks_.showIntro();
    };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    nav_ = new TopNav(*model_, this);
    layout->addWidget(nav_);
    layout->addWidget(settingsStyle::divider(this));
    pages_ = new QStackedWidget(this);
    workspaces_ = new WorkspacesContextsTab(*model_, pages_);
    auto reveal = hooks_.showInFileManager
                      ? hooks_.showInFileManager
                      : [](const std::filesystem::path& file) { showInFileManager(file); };
    const bool offersUpdates = bool(hooks_.checkForUpdates);
    general_ = new GeneralTab(*model_, std::move(reveal), offersUpdates, pages_);
    AboutTab::Actions about{.showIntro = [this] { model_->onShowIntro(); },
                            .updatesFromPackage = hooks_.updatesFromPackage};
    if (offersUpdates) about.checkForUpdates = [this] { hooks_.checkForUpdates(); };
    if (!hooks_.donatePage.isEmpty())
        about.donate = [this] {
            if (hooks_.openUrl)
                hooks_.openUrl(hooks_.donatePage);
            else
                QDesktopServices::openUrl(hooks_.donatePage);
        };
    about_ = new AboutTab(MORVELAN_VERSION, std::move(about), pages_);
    pages_->insertWidget(workspacesPage, workspaces_);
    pages_->insertWidget(generalPage, general_);
    pages_->insertWidget(aboutPage, about_);
    layout->addWidget(pages_, 1);

    liveWindows_ = new QTimer(this);
    liveWindows_->setInterval(liveWindowsIntervalMs);
    connect(liveWindows_, &QTimer::timeout, this, [this] { model_->refreshLiveWindows(); });

    subscription_ = model_->observe([this] { refresh(); });
    refresh();
}

SettingsWindow::~SettingsWindow() {
    liveWindows_->stop();
    subscription_.reset();
    // The screens call into the model while they are torn down (selection signals): delete
    // them while it still exists.
    const auto children = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        child->blockSignals(true);
        delete child;
    }
    editor_ = nullptr;
}

void SettingsWindow::setRecording(std::function<void(bool)> callback) {
    model_->onRecordingChange = callback ? std::move(callback) : [](bool) {};
}

void SettingsWindow::refresh() {
    if (modalDepth_ > 0) {
        refreshPending_ = true;
        return;
    }
    nav_->refresh();
    pages_->setCurrentIndex(pageOf(model_->selectedTab()));
    workspaces_->refresh();
    general_->refresh();
    syncEditor();
}

void SettingsWindow::modalEnded() {
    if (modalDepth_ > 0 || !refreshPending_) return;
    refreshPending_ = false;
    // Deferred: the control that opened the alert is still handling its click.
    model_->bump();
}

void SettingsWindow::syncEditor() {
    const ContextPtr& editing = model_->editing();
    if (editor_ && (!editing || editing->id != editor_->contextID())) {
        ContextEditor* closing = editor_;
        editor_ = nullptr;
        closing->disconnect(this);
        closing->hide();
        closing->deleteLater();
    }
    if (editing && !editor_) {
        editor_ = new ContextEditor(*model_, editing->id, this);
        editor_->setAttribute(Qt::WA_DeleteOnClose, false);
        connect(editor_, &QDialog::finished, this, [this] { model_->endEditing(); });
        editor_->open();
        // Typing goes to the name at once, replacing the one a new context was given.
        editor_->nameField()->setFocus(Qt::OtherFocusReason);
        editor_->nameField()->selectAll();
        return;
    }
    if (editor_) editor_->refresh();
}

void SettingsWindow::bringToFront() {
    if (!isVisible()) resize(size().expandedTo(sizeHint()).expandedTo(minimumSizeHint()));
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    show();
    raise();
    activateWindow();
}

void SettingsWindow::showSettings() {
    model_->setSelectedTab(SettingsModel::Tab::workspaces);
    refresh();
    bringToFront();
}

void SettingsWindow::showHotkeys() {
    model_->setSelectedTab(SettingsModel::Tab::general);
    refresh();
    bringToFront();
}

void SettingsWindow::showContexts(bool newContext) {
    model_->setSelectedTab(SettingsModel::Tab::workspaces);
    bringToFront();
    model_->setSelectedTab(SettingsModel::Tab::contexts);
    if (newContext) model_->createContext();
    refresh();
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    model_->stopRecording();
    if (editor_) editor_->reject();
    event->accept(); // hides; the window lives on
}

void SettingsWindow::keyPressEvent(QKeyEvent* event) {
    // Keys a control left alone: Escape and Ctrl+W close the window, as in other settings
    // windows (a hotkey being recorded takes its own keys first).
    const bool escape = event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier;
    if ((escape || event->matches(QKeySequence::Close)) && !model_->recording()) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SettingsWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) model_->stopRecording();
}

void SettingsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    liveWindows_->start();
}

void SettingsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    liveWindows_->stop();
    model_->stopRecording();
}

} // namespace morvelan
