// Settings model: the hotkey recorder, the open delay and the configuration-file flows.
#include "core/settings/SettingsKit.h"

#include "core/platform/Keys.h"

#include <gtest/gtest.h>

#include <cmath>

namespace morvelan {
namespace {

class SettingsRecorderTest : public ::testing::Test, protected SettingsKit {
protected:
    void SetUp() override {
        store.load();
        model();
    }
};

// Recording lets go of the global hotkeys: only a key with a modifier (Shift counts) ends it
// with a new binding, and Esc ends it keeping the old one.
TEST_F(SettingsRecorderTest, AKeyWithAModifierIsBoundAndWrittenAPlainKeyBeepsEscKeepsTheOld) {
    model().capture(Key::space, Modifier::control); // not recording
    model().startRecording(HotkeyAction::switcherConfined);
    model().capture(Key::a, 0);
    model().capture(Key::none, Modifier::control); // a key hotkeys.json cannot name
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(model().recording(), HotkeyAction::switcherConfined);
    model().capture(Key::escape, Modifier::command);
    EXPECT_FALSE(model().recording());
    EXPECT_EQ(config.bindings, HotkeyConfig::defaults());
    EXPECT_EQ(files.inFolder("hotkeys.json"), "<missing>");

    model().startRecording(HotkeyAction::switcher);
    EXPECT_EQ(liveMonitors, 1);
    keyHandler(Key::s, Modifier::shift | 0x10000 | 0x100); // caps lock and device bits
    EXPECT_EQ(config.bindings[HotkeyAction::switcher], (KeyBind{Key::s, Modifier::shift}));
    EXPECT_EQ(HotkeyConfig::decode(files.inFolder("hotkeys.json")), config.bindings);
    EXPECT_EQ(recordingChanges, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(liveMonitors, 0);
    EXPECT_EQ(beeps, 2);

    files.failWrites = {config.url};
    model().startRecording(HotkeyAction::switcher);
    model().capture(Key::space, Modifier::control);
    EXPECT_EQ(config.bindings[HotkeyAction::switcher], (KeyBind{Key::space, Modifier::control}))
        << "an unwritten binding holds until quit";
}

TEST_F(SettingsRecorderTest, AnotherRecordingOrTheModelGoingEndsTheFirst) {
    model().startRecording(HotkeyAction::switcher);
    model().startRecording(HotkeyAction::switcherConfined);
    EXPECT_EQ(recordingChanges, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(liveMonitors, 1);
    destroyModel();
    EXPECT_EQ(recordingChanges.back(), false) << "the hotkeys resume";
    EXPECT_EQ(liveMonitors, 0);
}

TEST_F(SettingsRecorderTest, TheOpenDelayIsStoredRoundedHalfAwayFromZeroWithinRange) {
    const std::pair<double, double> cases[] = {
        {37.5, 38}, {37.4, 37}, {-2.5, -3}, {1e300, 2147483647}, {std::nan(""), 2147483647}};
    for (auto [set, stored] : cases) {
        model().setSwitcherDelay(set);
        EXPECT_EQ(model().switcherDelay(), stored) << set;
    }
}

// --- Configuration file ------------------------------------------------------------------------

TEST_F(SettingsRecorderTest, ExportWritesWhereTheUserChoseAndImportReplacesOnlyWhenConfirmed) {
    ContextPtr kept = addContext("Kept");
    model().exportConfig(); // cancelled
    dialogs.saveAnswer = "/home/test/backup.json";
    model().exportConfig();
    EXPECT_EQ(dialogs.saves.at(1).suggestedName, "morvelan-config.json");
    EXPECT_EQ(files.contents[*dialogs.saveAnswer], files.inFolder("contexts.json"));

    model().setSelectedContextID(kept->id);
    dialogs.openAnswer = "/tmp/in.json";
    alerts.answers = {1}; // Cancel, then Import
    files.contents["/tmp/in.json"] =
        R"({"contexts":[{"id":"11111111-2222-4333-8444-555555555555","name":"New",)"
        R"("colorHex":"#000000"}]})";
    model().importConfig();
    EXPECT_EQ(store.contexts().at(0), kept);
    model().importConfig();
    ASSERT_EQ(store.contexts().size(), 1u);
    EXPECT_EQ(store.contexts()[0]->name, "New");
    EXPECT_EQ(model().selectedContextID(), store.contexts()[0]->id);
    EXPECT_EQ(model().selectedWorkspaceID(), store.workspaces().at(0).id);
}

TEST_F(SettingsRecorderTest, ReloadKeepsTheLiveConfigurationOnAFaultAndSaysWhyElseAppliesIt) {
    ContextPtr live = addContext("Live");
    model().edit(live->id);
    std::string edited = files.inFolder("contexts.json");
    files.contents[store.url] =
        R"({"contexts":[{"id":"11111111-2222-4333-8444-555555555555","name":"X"}]})";
    model().reloadConfig();
    EXPECT_EQ(store.contexts().at(0), live);
    EXPECT_EQ(alerts.shown.at(0).title, "Config not applied");
    EXPECT_EQ(alerts.shown[0].text, "Missing required field “colorHex”.\n\n"
                                    "The previous configuration is still active.");

    edited.replace(edited.find("Live"), 4, "After");
    files.contents[store.url] = edited;
    watch();
    model().reloadConfig();
    EXPECT_EQ(store.contexts().at(0)->name, "After");
    EXPECT_EQ(model().editing(), store.contexts()[0]) << "the editor edits the reloaded context";
    EXPECT_EQ(alerts.shown.at(1).title, "Config reloaded");
    EXPECT_EQ(announcements(), 1);
}

} // namespace
} // namespace morvelan
