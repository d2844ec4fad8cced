// The settings window on the offscreen platform: what the user clicks and types reaches the
// model, and the screens redraw from it. The model's own rules are tested in tests/core.
#include "qt/SettingsWindow.h"
#include "LayoutCheck.h"
#include "QtTestApp.h"
#include "core/settings/SettingsKit.h"
#include "qt/AboutTab.h"
#include "qt/ContextEditor.h"
#include "qt/ContextsPane.h"
#include "qt/GeneralTab.h"
#include "qt/IntroWindow.h"
#include "qt/ListToolbar.h"
#include "qt/QtKeyMonitor.h"
#include "qt/RecorderButton.h"
#include "qt/RuleEditor.h"
#include "qt/ToggleSwitch.h"
#include "qt/WindowRow.h"
#include "qt/WorkspacesContextsTab.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QInputDevice>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QTreeWidget>

namespace morvelan {
namespace {

// X keysyms and modifier-state bits as an X server reports them.
constexpr quint32 xShift = 0x01, xLock = 0x02, xControl = 0x04, xMod2 = 0x10, xMod4 = 0x40;
constexpr quint32 keysymEscape = 0xff1b, keysymReturn = 0xff0d;

using Texts = std::vector<QString>;

class SettingsWindowTest : public ::testing::Test, protected SettingsKit {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    void SetUp() override { store.load(); }

    SettingsWindow& window() {
        if (!window_) {
            SettingsWindowHooks hooks;
            hooks.alerts = &alerts;
            hooks.dialogs = &dialogs;
            hooks.beep = [this] { ++beeps; };
            hooks.bindingState = [this](HotkeyAction action) -> std::optional<BindingState> {
                if (action != HotkeyAction::switcher) return BindingState{};
                return BindingState{{}, BindingState::Kind::taken, takenBy};
            };
            window_ = std::make_unique<SettingsWindow>(store, engine, config, settings, queue,
                                                       std::move(hooks));
            window_->setRecording([this](bool on) { recordingChanges.push_back(on); });
        }
        return *window_;
    }

    // A live window of one of the kit's applications: with the engine handed to the window,
    // the test's only use of the window-system fake.
    void openWindow(Pid app, WindowID wid, std::string title) {
        addWindow(app, wid, std::move(title));
    }

    // Lets the model's announcements and Qt's deferred work run.
    void settle() {
        for (int i = 0; i < 3; ++i) {
            queue.drain();
            QApplication::processEvents();
        }
    }
    void showAndSettle() {
        window().showSettings();
        settle();
    }
    // Past the two-second live-window list, read again.
    void refreshWindows() {
        queue.advance(2.5);
        window().model().refreshLiveWindows();
        settle();
    }

    WorkspacesContextsTab& tab() { return *window().workspacesTab(); }
    ContextsPane& pane() { return *tab().contextsPane(); }
    QTreeWidget& table() { return *pane().table(); }
    ContextEditor& sheet() {
        EXPECT_NE(window().editor(), nullptr);
        return *window().editor();
    }
    // The contexts table as "name rules windows" per row.
    Texts tableRows() {
        Texts rows;
        for (int i = 0; i < table().topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = table().topLevelItem(i);
            rows.push_back(item->text(1) + " " + item->text(2) + " " + item->text(3));
        }
        return rows;
    }
    template <class Rows> static Texts titles(const Rows& rows) {
        Texts result;
        for (const WindowRow* row : rows)
            result.push_back(row->titleLabel()->text());
        return result;
    }

    QKeyEvent keyEvent(QEvent::Type type, int qtKey, Qt::KeyboardModifiers modifiers,
                       quint32 keysym, quint32 state, const QString& text = {},
                       quint32 scanCode = 0) {
        return QKeyEvent(type, qtKey, modifiers, scanCode, keysym, state, text, false, 1,
                         &keyboard);
    }
    void key(QWidget* target, int qtKey, Qt::KeyboardModifiers modifiers, quint32 keysym,
             quint32 state, const QString& text = {}) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event = keyEvent(type, qtKey, modifiers, keysym, state, text);
            QApplication::sendEvent(target, &event);
        }
    }
    void type(QLineEdit* field, const QString& text) {
        field->setFocus();
        for (QChar c : text)
            key(field, c.toUpper().unicode(), Qt::NoModifier, c.unicode(), 0, QString(c));
    }
    // Key events from a device the test owns, so nothing points at a device gone at exit.
    QInputDevice keyboard{"settings test keyboard", 2, QInputDevice::DeviceType::Keyboard};
    std::string takenBy = "xfwm4"; // who holds the switcher's binding
    std::unique_ptr<SettingsWindow> window_;
};

// The workspaces and contexts screens and the context editor along one user's path: the table
// follows the live windows; a new context gets a name, an include rule with its live preview
// and pins, and is deleted; a new workspace is named in place, and the first one removed.
TEST_F(SettingsWindowTest, WorkspacesAndContextsFromTheTableThroughTheEditor) {
    openWindow(editor, 11, "report.md");
    openWindow(browser, 21, "Issue tracker");
    ContextPtr writing = addContext("Writing");
    writing->rules = {rule(RuleField::appName, RuleOp::equals, "Editor")};
    ContextPtr research = addContext("Research");
    research->rules = {rule(RuleField::bundleID, RuleOp::equals, "org.browser"),
                       rule(RuleField::title, RuleOp::contains, "zzz", true)};
    showAndSettle();
    // Most recent first; exclude rules count as rules.
    EXPECT_EQ(tableRows(), (Texts{"Research 2 1", "Writing 1 1"}));
    openWindow(editor, 12, "notes");
    refreshWindows();
    EXPECT_EQ(tableRows(), (Texts{"Research 2 1", "Writing 1 2"}));

    pane().toolbar()->addButton()->click();
    settle();
    ASSERT_EQ(store.contexts().size(), 3u);
    const ContextPtr c = store.contexts().back();
    // The editor opens with its name selected: typing replaces it.
    type(sheet().nameField(), "Notes");
    settle();
    EXPECT_EQ(c->name, "Notes");
    EXPECT_EQ(tableRows()[0], "Notes 0 0");
    sheet().addRuleButton()->click();
    settle();
    ASSERT_EQ(sheet().ruleEditors().size(), 1u);
    const RuleEditor::ConditionRow& condition = sheet().ruleEditors()[0]->conditionRows().at(0);
    condition.field->setCurrentIndex(2); // "Window title"
    type(condition.value, "x");
    settle();
    EXPECT_EQ(c->rules.at(0).clauses.at(0), (Condition{RuleField::title, RuleOp::contains, "x"}));
    openWindow(editor, 13, "xterm");
    openWindow(browser, 22, "box");
    refreshWindows();
    RuleEditor* ruleEditor = sheet().ruleEditors()[0];
    EXPECT_EQ(ruleEditor->summaryButton()->text(), "2 matched windows");
    ruleEditor->summaryButton()->click();
    settle();
    EXPECT_EQ(titles(ruleEditor->matchesPanel()->findChildren<WindowRow*>()),
              (Texts{"box", "xterm"}));
    EXPECT_EQ(tableRows()[0], "Notes 1 2");

    // Pins made elsewhere (the switcher) show once the screens redraw; each can be removed.
    c->members = {WinRef{"org.editor", "xterm", false, 13u},
                  WinRef{"org.browser", "Issue tracker", false, 21u}};
    window().model().bump();
    settle();
    ASSERT_EQ(titles(sheet().pinRows()), (Texts{"xterm", "Issue tracker"}));
    EXPECT_EQ(sheet().pinRows()[0]->alsoInLabel()->text(), "also in 1"); // Writing's rule
    sheet().pinRows()[0]->deleteButton()->click();
    settle();
    EXPECT_EQ(titles(sheet().pinRows()), Texts{"Issue tracker"});
    sheet().clearPinsButton()->click();
    settle();
    EXPECT_TRUE(c->members.empty());
    EXPECT_TRUE(sheet().pinRows().empty());
    // Deleting asks: cancelled, the editor stays open.
    alerts.answers = {1};
    sheet().deleteButton()->click();
    settle();
    ASSERT_NE(window().editor(), nullptr);
    sheet().deleteButton()->click();
    settle();
    EXPECT_EQ(window().editor(), nullptr);
    EXPECT_EQ(tableRows(), (Texts{"Research 2 2", "Writing 1 3"}));

    // Names are renamed only on F2, Enter or a double-click, never by moving through the list.
    EXPECT_TRUE(tab().nameField(0)->isReadOnly());
    key(tab().workspaceList(), Qt::Key_F2, Qt::NoModifier, 0xffbf, 0);
    EXPECT_FALSE(tab().nameField(0)->isReadOnly());
    key(tab().nameField(0), Qt::Key_Escape, Qt::NoModifier, keysymEscape, 0);
    EXPECT_TRUE(tab().nameField(0)->isReadOnly());
    // That Escape ended the renaming; the next one closes the window, as Ctrl+W does.
    EXPECT_TRUE(window().isVisible());
    key(tab().workspaceList(), Qt::Key_Escape, Qt::NoModifier, keysymEscape, 0);
    EXPECT_FALSE(window().isVisible());
    showAndSettle();
    key(tab().workspaceList(), Qt::Key_W, Qt::ControlModifier, 'w', xControl);
    EXPECT_FALSE(window().isVisible());
    showAndSettle();
    // A new workspace is selected and shows its own (no) contexts; its name is typed in place.
    tab().toolbar()->addButton()->click();
    settle();
    EXPECT_EQ(tab().workspaceList()->currentRow(), 1);
    EXPECT_TRUE(tableRows().empty());
    QLineEdit* name = tab().nameField(1);
    type(name, "Focus");
    key(name, Qt::Key_Return, Qt::NoModifier, keysymReturn, 0, "\r");
    settle();
    EXPECT_EQ(store.workspaces()[1].name, "Focus");
    // Removing the first asks, then moves its two contexts; the last one cannot be removed.
    tab().workspaceList()->setCurrentRow(0);
    settle();
    tab().toolbar()->removeButton()->click();
    settle();
    EXPECT_EQ(tab().nameField(0)->text(), "Focus");
    EXPECT_EQ(tab().countLabel(0)->text(), "2");
    EXPECT_FALSE(tab().toolbar()->removeButton()->isEnabled());
}

TEST_F(SettingsWindowTest, PreferencesWriteTheSettingsAndARefusedLoginItemFlipsBack) {
    GeneralTab* general = window().generalTab();
    general->delaySlider()->setValue(24);
    general->launchAtLogin()->click();
    settle();
    EXPECT_EQ(defaults.values["switcherDelayMs"], DefaultValue(std::int64_t{120}));
    EXPECT_EQ(general->delayLabel()->text(), "120 ms");
    EXPECT_TRUE(loginItem.isEnabled);
    // A refused login item flips the switch back.
    loginItem.failDisable = true;
    general->launchAtLogin()->click();
    settle();
    EXPECT_TRUE(general->launchAtLogin()->isChecked());
}

// The test window's hooks are those of a build configured without addresses.
TEST_F(SettingsWindowTest, ABuildWithoutAReleaseAddressOffersNoUpdatesAndAsksForNoDonation) {
    EXPECT_EQ(window().generalTab()->autoUpdate(), nullptr);
    AboutTab* about = window().aboutTab();
    EXPECT_EQ(about->updatesButton(), nullptr);
    EXPECT_EQ(about->donateButton(), nullptr);
    ASSERT_NE(about->noUpdatesLabel(), nullptr);
    EXPECT_EQ(about->noUpdatesLabel()->text(), AboutTab::noUpdateAddressText);
}

// Recording lets go of the global hotkeys, so every way out must end it: the recorder again,
// Escape, and closing the window, which only hides it.
TEST_F(SettingsWindowTest, RecordingAHotkeyAndEveryWayOutOfIt) {
    showAndSettle();
    RecorderButton* recorder = window().generalTab()->recorder(HotkeyAction::switcher);
    recorder->click();
    recorder->click();
    recorder->click();
    key(recorder, Qt::Key_Escape, Qt::NoModifier, keysymEscape, 0);
    recorder->click();
    window().close();
    settle();
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(recordingChanges, (std::vector<bool>{true, false, true, false, true, false}));
    EXPECT_EQ(recorder->text(), "Super+Tab");
    EXPECT_EQ(files.inFolder("hotkeys.json"), "<missing>");

    showAndSettle();
    recordingChanges.clear();
    recorder->click();
    settle();
    EXPECT_EQ(recorder->text(), "Press keys…");
    // A plain letter beeps and recording goes on; Shift alone is waited past.
    key(recorder, Qt::Key_S, Qt::NoModifier, 's', 0, "s");
    key(recorder, Qt::Key_Shift, Qt::ShiftModifier, 0xffe1, 0);
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(window().model().recording());
    key(recorder, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, 'S', xControl | xShift,
        "\x13");
    EXPECT_EQ(config.bindings[HotkeyAction::switcher], (KeyBind{1, 0x60000}));
    EXPECT_EQ(recordingChanges, (std::vector<bool>{true, false}));
    EXPECT_NE(files.inFolder("hotkeys.json"), "<missing>");
    settle();
    EXPECT_EQ(recorder->text(), "Ctrl+Shift+S");
    // Afterwards keys reach the controls again and change nothing.
    key(recorder, Qt::Key_A, Qt::ControlModifier, 'a', xControl, "\x01");
    EXPECT_EQ(config.bindings[HotkeyAction::switcher], (KeyBind{1, 0x60000}));

    // Super and the grave key: named by what the key shows, beside whether the binding works.
    GeneralTab* general = window().generalTab();
    EXPECT_EQ(general->recorderNote(HotkeyAction::switcher)->text(), "Taken by xfwm4");
    EXPECT_EQ(general->recorderNote(HotkeyAction::switcherConfined)->text(), "Active");
    EXPECT_EQ(general->recorder(HotkeyAction::switcherConfined)->text(), "Alt+Tab");
    recorder->click();
    settle();
    EXPECT_EQ(general->recorderNote(HotkeyAction::switcher)->text(), "");
    key(recorder, Qt::Key_QuoteLeft, Qt::MetaModifier, '`', xMod4, "`");
    takenBy.clear();
    settle();
    EXPECT_EQ(config.bindings[HotkeyAction::switcher], (KeyBind{Key::grave, Modifier::command}));
    EXPECT_EQ(recorder->text(), "Super+`");
    EXPECT_EQ(general->recorderNote(HotkeyAction::switcher)->text(), "Taken by another program");
}

// The recorder reads keys as the global key source does: Caps Lock and Num Lock are not
// modifiers, and a shifted key is its unshifted key (key 14 types 5 and, shifted, %).
TEST_F(SettingsWindowTest, RecordedKeysIgnoreLockKeysAndAreTheUnshiftedKey) {
    constexpr xcb_keycode_t minKey = 8;
    std::vector<KeyCodes::Keysym> syms((256 - minKey) * 2, 0);
    syms[(14 - minKey) * 2] = '5';
    syms[(14 - minKey) * 2 + 1] = '%';
    const KeyboardMap map = KeyboardMap::fromTables(minKey, 2, syms, {});
    const auto percent = recordedKey(keyEvent(QEvent::KeyPress, Qt::Key_Percent, Qt::ShiftModifier,
                                              '%', xShift | xLock | xMod2, {}, 14),
                                     &map);
    ASSERT_TRUE(percent);
    EXPECT_EQ(percent->keyCode, 23);
    EXPECT_EQ(percent->mods, Modifier::shift);
}

// From 9 to 14 points, light and dark: no text of any screen, the editor or the tour is cut or
// lies over another.
TEST_F(SettingsWindowTest, EveryScreenFitsItsTextAtEveryFontSize) {
    openWindow(editor, 11, "A rather long window title that goes on and on");
    ContextPtr c = addContext("Writing");
    c->rules = {rule(RuleField::title, RuleOp::contains, "report"),
                rule(RuleField::appName, RuleOp::equals, "Editor", true)};
    c->members = {WinRef{"org.editor", "report.md", false, 11u}};
    for (int points : {9, 11, 13, 14})
        for (bool dark : {false, true}) {
            AppLook look(points, dark);
            window_.reset();
            const QString where = QString(" at %1 pt%2").arg(points).arg(dark ? " dark" : "");
            for (auto tab : {SettingsModel::Tab::contexts, SettingsModel::Tab::general,
                             SettingsModel::Tab::about}) {
                window().showSettings();
                window().model().setSelectedTab(tab);
                settle();
                EXPECT_EQ(layoutFaults(&window()), QStringList()) << where.toStdString();
            }
            window().model().edit(c->id);
            settle();
            EXPECT_EQ(layoutFaults(window().editor()), QStringList()) << where.toStdString();
            window().model().endEditing();
            IntroWindow intro;
            intro.show();
            for (int page = 0; page < IntroView::pageCount; ++page) {
                intro.view()->setPage(page);
                settle();
                EXPECT_EQ(layoutFaults(intro.view()), QStringList()) << where.toStdString();
            }
        }
}

} // namespace
} // namespace morvelan
