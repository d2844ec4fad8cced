// Settings model: the hotkey recorder, the preference bindings and the configuration-file flows.
#include "core/settings/SettingsKit.h"

#include "core/platform/Keys.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

constexpr int keyA = 0;
constexpr int keyS = 1;
constexpr int key5 = 23;
constexpr int space = 49;
constexpr int tab = 48;

using Names = std::vector<std::string>;

class SettingsRecorderTest : public ::testing::Test, protected SettingsKit {
protected:
    void SetUp() override {
        store.load();
        model();
    }
    std::string hotkeysFile() { return file("hotkeys.json"); }
};

TEST_F(SettingsRecorderTest, AModifiedKeyBecomesTheBindingIsWrittenAndEndsRecording) {
    model().startRecording(HotkeyAction::switcher);
    EXPECT_EQ(model().recording(), HotkeyAction::switcher);
    EXPECT_EQ(recordingChanges, std::vector<bool>{true});
    EXPECT_EQ(monitorsInstalled, 1);
    EXPECT_EQ(model().recorderLabel(HotkeyAction::switcher), "Press keys…");
    EXPECT_EQ(model().recorderLabel(HotkeyAction::switcherConfined), "⌥Tab");

    // The monitor hands the key over; other bits (caps lock, device bits) are dropped.
    keyHandler(keyS, Modifier::shift | 0x10000 | 0x100);
    EXPECT_EQ(config.bindings[HotkeyAction::switcher], (KeyBind{keyS, Modifier::shift}));
    EXPECT_FALSE(model().recording());
    EXPECT_EQ(recordingChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(monitorsRemoved, 1);
    EXPECT_EQ(beeps, 0);
    auto written = HotkeyConfig::decode(hotkeysFile());
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, config.bindings);
    EXPECT_EQ(model().recorderLabel(HotkeyAction::switcher), "⇧S");

    files.failWrites = {config.url};
    model().startRecording(HotkeyAction::switcher);
    model().capture(space, Modifier::control | Modifier::option);
    EXPECT_EQ(config.bindings[HotkeyAction::switcher], (KeyBind{space, 0xC0000}))
        << "a write failure keeps the new binding in force";
    EXPECT_FALSE(model().recording());
}

TEST_F(SettingsRecorderTest, BareKeysBeepAndKeepRecordingEscEndsItKeepingTheOldBinding) {
    model().capture(space, Modifier::control);
    EXPECT_EQ(beeps, 0) << "not recording";
    model().startRecording(HotkeyAction::switcherConfined);
    model().capture(keyA, 0);
    model().capture(-1, Modifier::control); // no Mac key code
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(model().recording(), HotkeyAction::switcherConfined);
    model().capture(Key::escape, Modifier::command);
    EXPECT_FALSE(model().recording());
    EXPECT_EQ(recordingChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(config.bindings, HotkeyConfig::defaults());
    EXPECT_EQ(hotkeysFile(), "<missing>");
    EXPECT_EQ(beeps, 2);

    model().startRecording(HotkeyAction::switcherConfined);
    model().capture(key5, Modifier::shift | Modifier::command);
    EXPECT_EQ(config.bindings[HotkeyAction::switcherConfined], (KeyBind{key5, 0x120000}));
    EXPECT_EQ(model().recorderLabel(HotkeyAction::switcherConfined), "⇧⌘5");
}

TEST_F(SettingsRecorderTest, StartingAnotherRecordingEndsTheFirstAndClosingTheModelEndsAny) {
    model().startRecording(HotkeyAction::switcher);
    model().startRecording(HotkeyAction::switcherConfined);
    EXPECT_EQ(model().recording(), HotkeyAction::switcherConfined);
    EXPECT_EQ(recordingChanges, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(monitorsInstalled, 2);
    EXPECT_EQ(monitorsRemoved, 1);
    model().stopRecording();
    model().stopRecording(); // a second stop tells nobody
    EXPECT_EQ(recordingChanges, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(monitorsRemoved, 2);

    model().startRecording(HotkeyAction::switcher);
    destroyModel();
    EXPECT_EQ(recordingChanges.back(), false) << "the hotkeys resume";
    EXPECT_EQ(monitorsRemoved, 3);
}

// --- Preferences -------------------------------------------------------------------------------

TEST_F(SettingsRecorderTest, BooleanPreferencesReadTheirDefaultsStoreWhatIsSetAndAnnounce) {
    int announced = 0;
    Subscription s = model().observe([&] { ++announced; });
    EXPECT_TRUE(model().autoSwitch());
    EXPECT_FALSE(model().raiseContext());
    EXPECT_TRUE(model().autoUpdate());
    model().setAutoSwitch(false);
    model().setRaiseContext(true);
    model().setAutoUpdate(false);
    EXPECT_EQ(defaults.values["autoSwitch"], DefaultValue(false));
    EXPECT_EQ(defaults.values["raiseContext"], DefaultValue(true));
    EXPECT_EQ(defaults.values["autoUpdate"], DefaultValue(false));
    EXPECT_FALSE(model().autoSwitch());
    EXPECT_TRUE(model().raiseContext());
    EXPECT_FALSE(model().autoUpdate());
    queue.drain();
    model().setSwitcherDelay(100);
    queue.drain();
    EXPECT_EQ(announced, 2);
}

TEST_F(SettingsRecorderTest, TheOpenDelayIsRoundedHalfAwayFromZero) {
    EXPECT_EQ(model().switcherDelay(), 65.0);
    model().setSwitcherDelay(37.5);
    EXPECT_EQ(defaults.values["switcherDelayMs"], DefaultValue(std::int64_t{38}));
    model().setSwitcherDelay(37.4);
    EXPECT_EQ(defaults.values["switcherDelayMs"], DefaultValue(std::int64_t{37}));
    model().setSwitcherDelay(-2.5);
    EXPECT_EQ(model().switcherDelay(), -3.0);
    model().setSwitcherDelay(1e300); // kept within the stored integer's range
    EXPECT_EQ(model().switcherDelay(), 2147483647.0);
}

TEST_F(SettingsRecorderTest, LaunchAtLoginIsTheLoginItemAndItsFailureIsOnlyLogged) {
    EXPECT_FALSE(model().launchAtLogin());
    model().setLaunchAtLogin(true);
    EXPECT_TRUE(loginItem.isEnabled);
    EXPECT_TRUE(model().launchAtLogin());
    EXPECT_TRUE(defaults.values.empty()); // not a stored preference

    loginItem.failDisable = true;
    model().setLaunchAtLogin(false);
    EXPECT_TRUE(model().launchAtLogin());
    EXPECT_EQ(log.lines.back(), "launchAtLogin=false failed: Operation not permitted");
    EXPECT_TRUE(alerts.shown.empty());
}

// --- Configuration file ------------------------------------------------------------------------

TEST_F(SettingsRecorderTest, ExportWritesWhereTheUserChoseAndImportBringsItBackIdentical) {
    model().exportConfig(); // cancelled
    dialogs.saveAnswer = "/readonly/x.json";
    files.failWrites = {"/readonly/x.json"};
    model().exportConfig();
    EXPECT_FALSE(files.has("/readonly/x.json"));
    EXPECT_TRUE(alerts.shown.empty()) << "a cancelled or failed export shows nothing";

    Uuid two = addWorkspace("Two");
    ContextPtr a = addContext("A", two);
    a->rules = {rule(RuleField::title, RuleOp::regex, "^draft")};
    a->members = {WinRef{"org.editor", "notes", false, 11u}};
    addContext("B");
    store.save();
    const std::string before = file("contexts.json");

    dialogs.saveAnswer = "/home/test/backup.json";
    model().exportConfig();
    ASSERT_EQ(dialogs.saves.size(), 3u);
    EXPECT_EQ(dialogs.saves[2].suggestedName, "morvelan-config.json");
    EXPECT_EQ(dialogs.saves[2].extensions, Names{"json"});
    EXPECT_EQ(files.contents["/home/test/backup.json"], before);
    dialogs.openAnswer = dialogs.saveAnswer;
    model().importConfig();

    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alertLine(alerts.shown[0]), "Replace current configuration? / Importing overwrites "
                                          "all current workspaces, contexts, and rules. / "
                                          "[Import] [Cancel] (warning)");
    EXPECT_EQ(dialogs.opens[0].extensions, Names{"json"});
    EXPECT_EQ(file("contexts.json"), before);
    EXPECT_EQ(namesOf(store.contexts()), (Names{"A", "B"}));
}

TEST_F(SettingsRecorderTest, ImportReplacesEverythingUnlessCancelledOrUnreadable) {
    addContext("Kept");
    model().setSelectedContextID(store.contexts()[0]->id);
    dialogs.openAnswer = "/tmp/in.json";
    files.contents["/tmp/in.json"] = R"({"contexts":[]})";
    alerts.answers = {1};
    model().importConfig(); // "Cancel"
    files.contents["/tmp/in.json"] = "not json";
    model().importConfig(); // "Import", then the decoder refuses
    EXPECT_EQ(namesOf(store.contexts()), Names{"Kept"});
    EXPECT_EQ(alerts.shown.size(), 2u); // the two questions, no error message
    dialogs.openAnswer.reset();
    model().importConfig();
    EXPECT_EQ(alerts.shown.size(), 2u);

    files.contents["/tmp/in.json"] =
        R"({"contexts":[{"id":"11111111-2222-4333-8444-555555555555","name":"New",)"
        R"("colorHex":"#000000"}]})";
    dialogs.openAnswer = "/tmp/in.json";
    model().importConfig();
    ASSERT_EQ(namesOf(store.contexts()), Names{"New"});
    EXPECT_EQ(model().selectedContextID(), store.contexts()[0]->id);
    EXPECT_EQ(model().selectedWorkspaceID(), store.workspaces()[0].id);
}

TEST_F(SettingsRecorderTest, ReloadAppliesAReadableFileOrKeepsTheLiveConfigurationAndExplains) {
    ContextPtr live = addContext("Live");
    std::string edited = file("contexts.json");
    const std::string broken =
        R"({"contexts":[{"id":"11111111-2222-4333-8444-555555555555","name":"X"}]})";
    files.contents[store.url] = broken;
    model().reloadConfig();
    EXPECT_EQ(files.contents[store.url], broken) << "the user's text stays for fixing";
    files.contents.erase(store.url);
    model().reloadConfig();
    ASSERT_EQ(store.contexts().size(), 1u);
    EXPECT_EQ(store.contexts()[0], live);

    edited.replace(edited.find("Live"), 4, "After");
    files.contents[store.url] = edited;
    int announced = 0;
    Subscription s = model().observe([&] { ++announced; });
    model().reloadConfig();
    EXPECT_EQ(namesOf(store.contexts()), Names{"After"});
    queue.drain();
    EXPECT_EQ(announced, 1);

    ASSERT_EQ(alerts.shown.size(), 3u);
    EXPECT_EQ(alertLine(alerts.shown[0]),
              "Config not applied / Missing required field “colorHex”.\n\nThe previous "
              "configuration is still active. / [OK] (warning)");
    EXPECT_EQ(alerts.shown[1].text, "Could not read the config file.\n\n"
                                    "The previous configuration is still active.");
    EXPECT_EQ(alertLine(alerts.shown[2]), "Config reloaded /  / [OK]");
}

} // namespace
} // namespace morvelan
