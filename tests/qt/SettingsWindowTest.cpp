// Tests of the settings window on the offscreen platform: clicking through the workspaces and
// contexts screens, the context editor, the preferences and the hotkey recorder.
// With MORVELAN_SHOTS_DIR set, the screens are also saved there as PNGs.
#include "qt/SettingsWindow.h"
#include "QtTestApp.h"
#include "core/settings/SettingsKit.h"
#include "qt/AboutTab.h"
#include "qt/ContextEditor.h"
#include "qt/ContextsPane.h"
#include "qt/GeneralTab.h"
#include "qt/ListToolbar.h"
#include "qt/QtKeyMonitor.h"
#include "qt/RecorderButton.h"
#include "qt/RuleEditor.h"
#include "qt/ToggleSwitch.h"
#include "qt/TopNav.h"
#include "qt/WindowRow.h"
#include "qt/WorkspacesContextsTab.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>

namespace morvelan {
namespace {

// X keysyms and X modifier-state bits as an X server reports them.
constexpr quint32 xShift = 0x01, xLock = 0x02, xControl = 0x04, xMod1 = 0x08, xMod2 = 0x10,
                  xMod4 = 0x40;
constexpr quint32 keysymTab = 0xff09, keysymEscape = 0xff1b;

class SettingsWindowTest : public ::testing::Test, protected SettingsKit {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    void SetUp() override { store.load(); }

    SettingsWindow& window() {
        if (!window_) {
            SettingsWindowHooks hooks;
            hooks.showIntro = [this] { calls.push_back("intro"); };
            hooks.checkForUpdates = [this] { calls.push_back("updates"); };
            hooks.alerts = &alerts;
            hooks.dialogs = &dialogs;
            hooks.beep = [this] { ++beeps; };
            hooks.openUrl = [this](const QUrl& url) {
                calls.push_back(url.toString().toStdString());
            };
            hooks.showInFileManager = [this](const std::filesystem::path& file) {
                calls.push_back("show " + file.string());
            };
            window_ = std::make_unique<SettingsWindow>(store, engine, config, settings, queue,
                                                       std::move(hooks));
            window_->setRecording([this](bool on) { recordingChanges.push_back(on); });
        }
        return *window_;
    }

    // Lets the model's announcements and Qt's deferred work run.
    void settle() {
        for (int i = 0; i < 3; ++i) {
            queue.drain();
            QApplication::processEvents();
        }
    }
    // Past the two-second live-window list, read again.
    void refreshWindows() {
        queue.advance(2.5);
        window().model().refreshLiveWindows();
        settle();
    }
    void showAndSettle() {
        window().showSettings();
        settle();
    }

    WorkspacesContextsTab& tab() { return *window().workspacesTab(); }
    ContextsPane& pane() { return *tab().contextsPane(); }
    QTreeWidget& table() { return *pane().table(); }
    ContextEditor& sheet() {
        ContextEditor* e = window().editor();
        EXPECT_NE(e, nullptr);
        return *e;
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

    void doubleClick(QTreeWidget* tree, QTreeWidgetItem* item) {
        const QPoint at = tree->visualItemRect(item).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, tree->viewport()->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              Qt::NoModifier, &pointer);
            QApplication::sendEvent(tree->viewport(), &event);
        }
    }

    static std::vector<QString> texts(const std::vector<WindowRow*>& rows) {
        std::vector<QString> result;
        for (WindowRow* row : rows)
            result.push_back(row->titleLabel()->text());
        return result;
    }

    QInputDevice keyboard{"settings test keyboard", 2, QInputDevice::DeviceType::Keyboard};
    QPointingDevice pointer{"settings test mouse",
                            3,
                            QInputDevice::DeviceType::Mouse,
                            QPointingDevice::PointerType::Generic,
                            QInputDevice::Capability::Position,
                            1,
                            3};
    std::vector<std::string> calls;
    std::unique_ptr<SettingsWindow> window_;
};

// --- The window -------------------------------------------------------------------------------

TEST_F(SettingsWindowTest, ScreensNavigationAndClosingOnlyHides) {
    TopNav& nav = *window().topNav();
    EXPECT_EQ(window().windowTitle(), "Morvelan — Settings");
    EXPECT_EQ(window().size(), QSize(760, 580));
    EXPECT_EQ(nav.height(), 52);
    EXPECT_EQ(window().pages()->count(), 3);
    EXPECT_EQ(nav.button(SettingsModel::Tab::workspaces)->text(), "Workspaces");
    EXPECT_EQ(nav.button(SettingsModel::Tab::general)->text(), "Preferences");
    EXPECT_EQ(nav.button(SettingsModel::Tab::about)->text(), "About");
    // The model starts on the preferences.
    EXPECT_EQ(window().pages()->currentWidget(), window().generalTab());
    EXPECT_TRUE(nav.button(SettingsModel::Tab::general)->selected());

    nav.button(SettingsModel::Tab::about)->click();
    settle();
    EXPECT_EQ(window().pages()->currentWidget(), window().aboutTab());
    EXPECT_EQ(window().model().selectedTab(), SettingsModel::Tab::about);
    // "Contexts" is shown on the workspaces screen.
    window().model().setSelectedTab(SettingsModel::Tab::contexts);
    settle();
    EXPECT_EQ(window().pages()->currentWidget(), window().workspacesTab());
    EXPECT_TRUE(nav.button(SettingsModel::Tab::workspaces)->selected());

    // Opening always shows the workspaces; closing only hides and ends a recording.
    window().model().setSelectedTab(SettingsModel::Tab::about);
    window().showSettings();
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(window().pages()->currentWidget(), window().workspacesTab());
    window().generalTab()->recorder(HotkeyAction::switcher)->click();
    ASSERT_TRUE(window().model().recording());
    window().close();
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(window().model().recording());
    EXPECT_EQ(recordingChanges, (std::vector<bool>{true, false}));
    window().showSettings();
    EXPECT_TRUE(window().isVisible());
}

// --- Workspaces ---------------------------------------------------------------------------------

TEST_F(SettingsWindowTest, AddingRenamingAndRemovingAWorkspace) {
    showAndSettle();
    ASSERT_EQ(tab().workspaceList()->count(), 1);
    EXPECT_EQ(tab().nameField(0)->text(), "Default");
    EXPECT_FALSE(tab().toolbar()->removeButton()->isEnabled()); // the last one stays

    tab().toolbar()->addButton()->click();
    settle();
    ASSERT_EQ(tab().workspaceList()->count(), 2);
    EXPECT_EQ(tab().nameField(1)->text(), "Workspace 2");
    EXPECT_EQ(tab().workspaceList()->currentRow(), 1);
    EXPECT_TRUE(tab().toolbar()->removeButton()->isEnabled());

    QLineEdit* name = tab().nameField(1);
    name->selectAll();
    type(name, "Focus");
    key(name, Qt::Key_Return, Qt::NoModifier, 0xff0d, 0, "\r");
    settle();
    EXPECT_EQ(store.workspaces[1].name, "Focus");
    EXPECT_NE(file("contexts.json").find("Focus"), std::string::npos);
    EXPECT_EQ(tab().nameField(1)->text(), "Focus");

    // The counts show each workspace's contexts; removing one asks and moves them.
    const Uuid focus = store.workspaces[1].id;
    addContext("A", focus);
    addContext("B", focus);
    window().model().bump();
    settle();
    EXPECT_EQ(tab().countLabel(0)->text(), "0");
    EXPECT_EQ(tab().countLabel(1)->text(), "2");
    EXPECT_EQ(window().model().selectedWorkspaceID(), focus);
    tab().toolbar()->removeButton()->click();
    settle();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].text, "Its 2 contexts will move to another workspace.");
    EXPECT_EQ(tab().workspaceList()->count(), 1);
    EXPECT_EQ(tab().countLabel(0)->text(), "2");
}

// --- Contexts -----------------------------------------------------------------------------------

TEST_F(SettingsWindowTest, TheTableShowsTheSelectedWorkspacesContextsWithColourRulesAndWindows) {
    const Pid terminal = 300;
    desktop.addApp(terminal, "org.terminal", "Terminal");
    desktop.addWindow(editor, 11, "report.md");
    desktop.addWindow(editor, 12, "notes.txt");
    desktop.addWindow(browser, 21, "Issue tracker");
    desktop.addWindow(browser, 22, "Mail");
    desktop.addWindow(terminal, 31, "build — ninja");
    store.workspaces[0].name = "Work";
    Uuid personal = addWorkspace("Personal");
    addWorkspace("Side project");
    const auto make = [&](std::string name, std::size_t colour, std::vector<Rule> rules,
                          std::optional<Uuid> workspace = std::nullopt) {
        ContextPtr c = makeContext(std::move(name), std::string(paletteHex(colour)), workspace);
        c->rules = std::move(rules);
        store.add(c);
        return c;
    };
    make("Writing", 0,
         {rule(RuleField::appName, RuleOp::equals, "Editor"),
          rule(RuleField::title, RuleOp::contains, "zzz", true)});
    make("Research", 1, {rule(RuleField::bundleID, RuleOp::equals, "org.browser")});
    make("Build", 3,
         {rule(RuleField::appName, RuleOp::equals, "Terminal"),
          rule(RuleField::title, RuleOp::contains, "report")});
    ContextPtr mail = make("Mail", 4, {rule(RuleField::title, RuleOp::equals, "Mail")}, personal);
    showAndSettle();

    ASSERT_EQ(table().topLevelItemCount(), 3); // "Mail" is in another workspace
    EXPECT_EQ(table().headerItem()->text(1), "Name");
    EXPECT_EQ(table().headerItem()->text(2), "Rules");
    EXPECT_EQ(table().headerItem()->text(3), "Windows");
    EXPECT_EQ(table().header()->sectionSize(0), 24);
    EXPECT_EQ(table().header()->sectionSize(2), 60);
    EXPECT_EQ(table().header()->sectionSize(3), 70);
    // Most recently added first; the rule count includes exclude rules.
    QTreeWidgetItem* build = table().topLevelItem(0);
    QTreeWidgetItem* writing = table().topLevelItem(2);
    EXPECT_EQ(build->text(1), "Build");
    EXPECT_EQ(build->text(3), "2");
    EXPECT_EQ(writing->text(1), "Writing");
    EXPECT_EQ(writing->text(2), "2");
    EXPECT_EQ(writing->text(3), "2");
    EXPECT_EQ(writing->icon(0).pixmap(22, 22).toImage().pixelColor(11, 11).name(), "#ff6b6b");
    EXPECT_EQ(build->icon(0).pixmap(22, 22).toImage().pixelColor(11, 11).name(), "#6c5ce7");
    EXPECT_EQ(tab().countLabel(0)->text(), "3");
    EXPECT_EQ(tab().countLabel(1)->text(), "1");
    EXPECT_EQ(tab().countLabel(2)->text(), "0");
    saveShot(window().grab().toImage(), "settings-contexts");

    // The live count follows the windows once the two-second list is refreshed.
    desktop.addWindow(editor, 13, "drafts");
    refreshWindows();
    EXPECT_EQ(table().topLevelItem(2)->text(3), "3");
    saveShot(window().grab().toImage(), "settings-workspaces");

    tab().workspaceList()->setCurrentRow(1);
    settle();
    ASSERT_EQ(table().topLevelItemCount(), 1);
    EXPECT_EQ(table().topLevelItem(0)->text(1), "Mail");
    EXPECT_EQ(window().model().contextsInSelectedWorkspace()[0], mail);
}

TEST_F(SettingsWindowTest, DoubleClickAndTheRowMenuEditAndDelete) {
    ContextPtr notes = addContext("Notes");
    ContextPtr writing = addContext("Writing");
    showAndSettle();
    doubleClick(&table(), table().topLevelItem(0));
    settle();
    ASSERT_NE(window().editor(), nullptr);
    EXPECT_EQ(window().editor()->contextID(), writing->id);
    window().editor()->doneButton()->click();
    settle();
    EXPECT_EQ(window().editor(), nullptr);
    EXPECT_FALSE(window().model().editing());

    std::unique_ptr<QMenu> menu(pane().menuFor(writing->id));
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), "Edit…");
    EXPECT_EQ(menu->actions()[1]->text(), "Delete");
    menu->actions()[1]->trigger();
    settle();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Delete context “Writing”?");
    EXPECT_EQ(store.contexts, std::vector<ContextPtr>{notes});
    EXPECT_EQ(table().topLevelItemCount(), 1);

    // Deleting from the editor asks too: cancelled, it stays open.
    menu.reset(pane().menuFor(notes->id));
    menu->actions()[0]->trigger();
    settle();
    alerts.answers = {1};
    sheet().deleteButton()->click();
    settle();
    ASSERT_NE(window().editor(), nullptr);
    sheet().deleteButton()->click();
    settle();
    EXPECT_EQ(window().editor(), nullptr);
    EXPECT_TRUE(store.contexts.empty());
    EXPECT_EQ(table().topLevelItemCount(), 0);
    EXPECT_FALSE(pane().toolbar()->removeButton()->isEnabled());
}

TEST_F(SettingsWindowTest, CreatingAContextWithAnIncludeRuleAndWatchingItsPreview) {
    showAndSettle();
    pane().toolbar()->addButton()->click();
    settle();
    ASSERT_EQ(store.contexts.size(), 1u);
    ASSERT_NE(window().editor(), nullptr);
    EXPECT_EQ(sheet().size(), QSize(540, 620));
    EXPECT_EQ(sheet().nameField()->text(), "New Context");
    EXPECT_EQ(sheet().colorButton()->text(), "#FF6B6B");
    EXPECT_EQ(sheet().workspacePicker()->currentText(), "Default");
    EXPECT_EQ(table().topLevelItem(0)->text(1), "New Context");

    type(sheet().nameField(), " 2");
    settle();
    EXPECT_EQ(store.contexts[0]->name, "New Context 2");

    EXPECT_EQ(sheet().addRuleButton()->text(), "Add include rule");
    sheet().addRuleButton()->click();
    settle();
    ASSERT_EQ(sheet().ruleEditors().size(), 1u);
    RuleEditor* rule = sheet().ruleEditors()[0];
    ASSERT_EQ(rule->conditionRows().size(), 1u);
    const RuleEditor::ConditionRow& row = rule->conditionRows()[0];
    EXPECT_EQ(row.field->currentText(), "App name");
    EXPECT_EQ(row.op->currentText(), "contains");
    EXPECT_EQ(row.value->placeholderText(), "value");

    // "Window title" "contains" "x"
    row.field->setCurrentIndex(2);
    type(row.value, "x");
    settle();
    EXPECT_EQ(store.contexts[0]->rules[0].clauses[0],
              (Condition{RuleField::title, RuleOp::contains, "x"}));
    EXPECT_EQ(rule->summaryButton()->text(), "No matched windows");

    desktop.addWindow(editor, 11, "xterm");
    refreshWindows();
    EXPECT_EQ(sheet().ruleEditors()[0]->summaryButton()->text(), "1 matched window");

    desktop.addWindow(browser, 21, "box");
    desktop.addWindow(browser, 22, "mail");
    refreshWindows();
    rule = sheet().ruleEditors()[0];
    EXPECT_EQ(rule->summaryButton()->text(), "2 matched windows");
    EXPECT_EQ(table().topLevelItem(0)->text(3), "2");

    rule->summaryButton()->click();
    settle();
    EXPECT_FALSE(rule->matchesPanel()->isHidden());
    const auto matchRows = rule->matchesPanel()->findChildren<WindowRow*>();
    ASSERT_EQ(matchRows.size(), 2);
    EXPECT_EQ(matchRows[0]->titleLabel()->text(), "xterm");
    EXPECT_EQ(matchRows[0]->chipLabel()->text(), "match");
    const auto headings = rule->matchesPanel()->findChildren<QLabel*>();
    EXPECT_EQ(headings[0]->text(), "Windows this rule matches right now");
    saveShot(sheet().grab().toImage(), "settings-editor");
}

// An invalid pattern is marked but stored; exclude rules have a list of their own; removing
// a rule's only condition removes the rule.
TEST_F(SettingsWindowTest, RuleEditorPatternsExcludeRulesAndRemovingConditions) {
    ContextPtr c = addContext("Code");
    c->rules = {rule(RuleField::title, RuleOp::regex, ""),
                rule(RuleField::appName, RuleOp::equals, "Browser", true)};
    desktop.addWindow(browser, 21, "news");
    window().model().edit(c->id);
    settle();
    ASSERT_EQ(sheet().ruleEditors().size(), 1u);
    QLineEdit* value = sheet().ruleEditors()[0]->conditionRows()[0].value;
    EXPECT_EQ(value->placeholderText(), "pattern");
    type(value, "(draft");
    settle();
    EXPECT_EQ(c->rules[0].clauses[0].value, "(draft");
    EXPECT_FALSE(sheet().ruleEditors()[0]->conditionRows()[0].value->styleSheet().isEmpty());
    type(value, ")");
    settle();
    EXPECT_TRUE(sheet().ruleEditors()[0]->conditionRows()[0].value->styleSheet().isEmpty());

    sheet().ruleEditors()[0]->conditionRows()[0].remove->click();
    settle();
    ASSERT_EQ(c->rules.size(), 1u);
    EXPECT_TRUE(c->rules[0].exclude);
    EXPECT_TRUE(sheet().ruleEditors().empty()); // no include rule left
    EXPECT_EQ(sheet().addRuleButton()->text(), "Add include rule");

    sheet().excludeButton()->click();
    settle();
    ASSERT_EQ(sheet().ruleEditors().size(), 1u);
    EXPECT_EQ(sheet().addRuleButton()->text(), "Add exclude rule");
    EXPECT_TRUE(sheet().explanation()->text().startsWith("Windows matching an exclude rule"));
    RuleEditor* exclude = sheet().ruleEditors()[0];
    exclude->summaryButton()->click();
    settle();
    const auto rows = exclude->matchesPanel()->findChildren<WindowRow*>();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0]->chipLabel()->text(), "blocked");
}

TEST_F(SettingsWindowTest, PinningShowsTheWindowAndUnpinningRemovesIt) {
    desktop.addWindow(editor, 11, "notes");
    desktop.addWindow(editor, 12, "");
    ContextPtr c = addContext("Writing");
    ContextPtr other = addContext("Other");
    other->rules = {rule(RuleField::appName, RuleOp::equals, "Editor")};
    window().model().edit(c->id);
    settle();
    EXPECT_TRUE(sheet().pinRows().empty());
    ASSERT_NE(sheet().noPinsLabel(), nullptr);
    EXPECT_EQ(sheet().noPinsLabel()->text(), "No windows added manually.");

    // A pin made elsewhere (the switcher) shows once the screens redraw.
    c->members = {WinRef{"org.editor", "notes", false, 11u}, WinRef{"org.editor", "", false, 12u}};
    store.save();
    window().model().bump();
    settle();
    ASSERT_EQ(sheet().pinRows().size(), 2u);
    EXPECT_EQ(texts(sheet().pinRows()), (std::vector<QString>{"notes", "(untitled)"}));
    WindowRow* notes = sheet().pinRows()[0];
    ASSERT_NE(notes->alsoInLabel(), nullptr);
    EXPECT_EQ(notes->alsoInLabel()->text(), "also in 1");
    EXPECT_EQ(notes->alsoInLabel()->toolTip(), "This window also belongs to 1 other context");
    ASSERT_NE(notes->deleteButton(), nullptr);
    EXPECT_EQ(notes->deleteButton()->toolTip(), "Remove pin");
    saveShot(sheet().grab().toImage(), "settings-editor-pins");

    notes->deleteButton()->click();
    settle();
    EXPECT_EQ(c->members, (std::vector<WinRef>{WinRef{"org.editor", "", false, 12u}}));
    EXPECT_EQ(texts(sheet().pinRows()), std::vector<QString>{"(untitled)"});

    sheet().clearPinsButton()->click();
    settle();
    EXPECT_EQ(alerts.shown.back().title, "Remove all pinned windows?");
    EXPECT_TRUE(c->members.empty());
    EXPECT_TRUE(sheet().pinRows().empty());

    // A row of a window no other context holds has no label; a row without a delete action
    // no button; the label counts in the plural.
    Win lone{editor, "org.editor", "Editor", "notes", 11, nullptr};
    WindowRow none(lone, std::nullopt, 0);
    EXPECT_EQ(none.alsoInLabel(), nullptr);
    EXPECT_EQ(none.deleteButton(), nullptr);
    WindowRow two(lone, std::nullopt, 2);
    EXPECT_EQ(two.alsoInLabel()->toolTip(), "This window also belongs to 2 other contexts");
}

TEST_F(SettingsWindowTest, TheEditorsPickersWriteColourAndWorkspace) {
    Uuid two = addWorkspace("Two");
    ContextPtr c = addContext("Writing");
    c->colorHex = "not a colour";
    window().model().edit(c->id);
    settle();
    EXPECT_EQ(sheet().colorButton()->text(), "#007AFF"); // shown as the system blue
    window().model().setColor(c->id, Color{0.0745, 0.541, 0.502, 1});
    settle();
    EXPECT_EQ(c->colorHex, "#138A80");
    EXPECT_EQ(sheet().colorButton()->text(), "#138A80");

    QComboBox* picker = sheet().workspacePicker();
    ASSERT_EQ(picker->count(), 2);
    picker->setCurrentIndex(1);
    emit picker->activated(1);
    settle();
    EXPECT_EQ(c->workspaceID, two);
}

// --- Preferences and About ----------------------------------------------------------------------

TEST_F(SettingsWindowTest, PreferencesReadAndWriteTheStoredSettings) {
    GeneralTab* general = window().generalTab();
    EXPECT_TRUE(general->autoSwitch()->isChecked());
    EXPECT_FALSE(general->raise()->isChecked());
    EXPECT_TRUE(general->autoUpdate()->isChecked());
    EXPECT_FALSE(general->launchAtLogin()->isChecked());
    EXPECT_EQ(general->delayLabel()->text(), "65 ms");
    EXPECT_EQ(general->delaySlider()->value() * 5, 65);

    general->raise()->click();
    general->launchAtLogin()->click();
    general->delaySlider()->setValue(24);
    settle();
    EXPECT_EQ(defaults.values["raiseContext"], DefaultValue(true));
    EXPECT_TRUE(loginItem.isEnabled);
    EXPECT_EQ(defaults.values["switcherDelayMs"], DefaultValue(std::int64_t{120}));
    EXPECT_EQ(general->delayLabel()->text(), "120 ms");

    // A refused login item flips the switch back.
    loginItem.failDisable = true;
    general->launchAtLogin()->click();
    settle();
    EXPECT_TRUE(general->launchAtLogin()->isChecked());
    saveShot(window().grab().toImage(), "settings-preferences");
}

TEST_F(SettingsWindowTest, ConfigFileAndAboutButtonsReachTheShell) {
    GeneralTab* general = window().generalTab();
    EXPECT_EQ(general->pathLabel()->toolTip().toStdString(), store.url.string());
    general->showFileButton()->click();
    dialogs.saveAnswer = "/home/test/out.json";
    general->exportButton()->click();
    EXPECT_TRUE(files.has("/home/test/out.json"));
    store.save(); // a contexts file to reload
    general->reloadButton()->click();
    settle();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].title, "Config reloaded");

    AboutTab* about = window().aboutTab();
    EXPECT_EQ(about->versionLabel()->text(), QString("Version ") + MORVELAN_VERSION);
    about->updatesButton()->click();
    about->introButton()->click();
    about->donateButton()->click();
    EXPECT_EQ(calls, (std::vector<std::string>{"show " + store.url.string(), "updates", "intro",
                                               MORVELAN_DONATE_URL}));
    window().model().setSelectedTab(SettingsModel::Tab::about);
    settle();
    saveShot(window().grab().toImage(), "settings-about");
}

// --- Hotkey recorder ----------------------------------------------------------------------------

TEST_F(SettingsWindowTest, RecordingAHotkeyWithTheKeyboard) {
    window().showSettings();
    window().model().setSelectedTab(SettingsModel::Tab::general);
    settle();
    RecorderButton* recorder = window().generalTab()->recorder(HotkeyAction::switcher);
    EXPECT_GE(recorder->minimumWidth(), 130);
    EXPECT_EQ(recorder->text(), "⌘Tab");
    // Pressing the recorder again, or Esc, ends recording and keeps the old binding.
    recorder->click();
    recorder->click();
    settle();
    EXPECT_FALSE(window().model().recording());
    recorder->click();
    key(recorder, Qt::Key_Escape, Qt::NoModifier, keysymEscape, 0);
    settle();
    EXPECT_FALSE(window().model().recording());
    EXPECT_EQ(recorder->text(), "⌘Tab");
    EXPECT_EQ(file("hotkeys.json"), "<missing>");
    EXPECT_EQ(recordingChanges, (std::vector<bool>{true, false, true, false}));

    recordingChanges.clear();
    recorder->click();
    settle();
    EXPECT_EQ(recorder->text(), "Press keys…");
    EXPECT_EQ(recordingChanges, std::vector<bool>{true});
    saveShot(window().grab().toImage(), "settings-recording");

    // A plain letter beeps and recording goes on; the key reaches no control.
    key(recorder, Qt::Key_S, Qt::NoModifier, 's', 0, "s");
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(window().model().recording());
    // Shift alone is waited past.
    key(recorder, Qt::Key_Shift, Qt::ShiftModifier, 0xffe1, 0);
    EXPECT_EQ(beeps, 1);

    // Control+Shift+S.
    key(recorder, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, 'S', xControl | xShift,
        "\x13");
    EXPECT_EQ(config.bindings[HotkeyAction::switcher], (KeyBind{1, 0x60000}));
    EXPECT_FALSE(window().model().recording());
    EXPECT_EQ(recordingChanges, (std::vector<bool>{true, false}));
    auto written = HotkeyConfig::decode(file("hotkeys.json"));
    ASSERT_TRUE(written);
    EXPECT_EQ(written->at(HotkeyAction::switcher), (KeyBind{1, 0x60000}));
    settle();
    EXPECT_EQ(recorder->text(), "⌃⇧S");

    // After recording, keys reach the controls again and change nothing.
    key(recorder, Qt::Key_A, Qt::ControlModifier, 'a', xControl, "\x01");
    EXPECT_EQ(config.bindings[HotkeyAction::switcher], (KeyBind{1, 0x60000}));
}

// --- Key translation ----------------------------------------------------------------------------

TEST_F(SettingsWindowTest, RecordedKeysGoThroughTheKeysymTableOrQtsKeyWithoutNativeData) {
    struct Case {
        const char* name;
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        quint32 keysym, state;
        std::optional<std::pair<int, std::uint64_t>> expected; // key code, modifiers
    };
    const Case cases[] = {
        {"Super+Tab is Command+Tab", Qt::Key_Tab, Qt::MetaModifier, keysymTab, xMod4,
         std::pair{48, Modifier::command}},
        {"Caps Lock and Num Lock are ignored", Qt::Key_K, Qt::AltModifier | Qt::ShiftModifier, 'K',
         xMod1 | xShift | xLock | xMod2, std::pair{40, Modifier::option | Modifier::shift}},
        {"no native data: Qt's key and modifiers", Qt::Key_Space,
         Qt::ControlModifier | Qt::MetaModifier, 0, 0,
         std::pair{49, Modifier::control | Modifier::command}},
        {"a modifier alone is no key", Qt::Key_Shift, Qt::ShiftModifier, 0, 0, std::nullopt},
        {"a key without a key code", Qt::Key_MediaPlay, Qt::ControlModifier, 0, 0,
         std::pair{-1, Modifier::control}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QKeyEvent press = keyEvent(QEvent::KeyPress, c.qtKey, c.modifiers, c.keysym, c.state);
        const auto key = recordedKey(press, nullptr);
        ASSERT_EQ(key.has_value(), c.expected.has_value());
        if (!key) continue;
        EXPECT_EQ(key->keyCode, c.expected->first);
        EXPECT_EQ(key->mods, c.expected->second);
    }

    // With the key map known the unshifted key decides: key 14 types 5 and, shifted, %.
    constexpr xcb_keycode_t minKey = 8;
    std::vector<KeyCodes::Keysym> syms((256 - minKey) * 2, 0);
    syms[(14 - minKey) * 2] = '5';
    syms[(14 - minKey) * 2 + 1] = '%';
    KeyboardMap map = KeyboardMap::fromTables(minKey, 2, syms, {});
    const QKeyEvent percent =
        keyEvent(QEvent::KeyPress, Qt::Key_Percent, Qt::ShiftModifier, '%', xShift, {}, 14);
    const auto key = recordedKey(percent, &map);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->keyCode, 23);
    EXPECT_EQ(key->mods, Modifier::shift);
}

} // namespace
} // namespace morvelan
