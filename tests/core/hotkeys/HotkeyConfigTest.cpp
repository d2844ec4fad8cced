// Loading and saving hotkeys.json, and the display text of its bindings.
#include "core/hotkeys/HotkeyConfig.h"
#include "core/hotkeys/KeyText.h"
#include "fakes/FakeKeyLabels.h"
#include "fakes/MemoryFiles.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

class HotkeyConfigTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return files.appSupportDir() / "hotkeys.json"; }
    std::filesystem::path corrupt() const { return files.appSupportDir() / "hotkeys.json.corrupt"; }

    MemoryFiles files;
};

TEST_F(HotkeyConfigTest, StoredBindingsWithAModifierOverrideTheDefaults) {
    const std::pair<const char*, Bindings> cases[] = {
        // Bits beyond the modifiers stay as read; other fields and the order do not matter.
        {R"(["switcher",{"keyCode":48,"mods":1048832},)"
         R"("switcherConfined",{"mods":262144,"keyCode":3,"label":"x"}])",
         {{HotkeyAction::switcher, {Key::tab, 0x100100}},
          {HotkeyAction::switcherConfined, {Key::f, Modifier::control}}}},
        // The later pair of an action wins; a binding without a modifier is skipped.
        {R"(["switcher",{"keyCode":1,"mods":262144},"switcher",{"keyCode":2,"mods":0},)"
         R"("switcherConfined",{"keyCode":1,"mods":65536}])",
         HotkeyConfig::defaults()},
    };
    for (const auto& [bytes, bindings] : cases) {
        files.contents[file()] = bytes;
        EXPECT_EQ(HotkeyConfig(files).bindings, bindings) << bytes;
    }
    EXPECT_FALSE(files.has(corrupt()));
}

TEST_F(HotkeyConfigTest, UndecodableFilesAreCopiedAsideUnchangedAndTheDefaultsHold) {
    const std::string broken[] = {
        R"({"switcher":{"keyCode":48,"mods":1048576}})",
        R"(["switcher",{"keyCode":48,"mods":1048576},"bogus",{"keyCode":1,"mods":1}])",
        R"(["switcher",{"keyCode":"48","mods":1048576}])",
        R"(["switcher",{"keyCode":48,"mods":-1}])",
        R"(["switcher",{"keyCode":99999999999,"mods":1048576}])",
        R"(["switcher",{"keyCode":48}])",
        std::string(100000, '[') + std::string(100000, ']'),
        "",
    };
    for (const auto& bytes : broken) {
        files.contents = {{file(), bytes}};
        EXPECT_EQ(HotkeyConfig(files).bindings, HotkeyConfig::defaults()) << bytes.substr(0, 80);
        EXPECT_EQ(files.contents[corrupt()], bytes);
        EXPECT_EQ(files.contents[file()], bytes) << "the original stays in place";
    }
    files.contents.clear();
    files.failReads.insert(file());
    EXPECT_EQ(HotkeyConfig(files).bindings, HotkeyConfig::defaults());
    EXPECT_FALSE(files.has(corrupt())) << "a file that cannot be read is not corrupt";
}

TEST_F(HotkeyConfigTest, SaveWritesTheFileThatLoadsBackAndBindingsShowAsText) {
    HotkeyConfig config(files);
    ASSERT_TRUE(config.save().ok());
    EXPECT_EQ(files.contents[file()], R"(["switcher",{"keyCode":48,"mods":1048576},)"
                                      R"("switcherConfined",{"keyCode":48,"mods":524288}])");
    config.bindings[HotkeyAction::switcherConfined] = KeyBind{Key::left, Modifier::all};
    ASSERT_TRUE(config.save().ok());
    EXPECT_EQ(HotkeyConfig(files).bindings, config.bindings);

    // The display text: Ctrl, Alt, Shift, Super joined by "+", other bits unshown, then the
    // key, named by the layout where it types a character.
    EXPECT_EQ(KeyText::of({Key::left, Modifier::all | 0x100}), "Ctrl+Alt+Shift+Super+Left");
    EXPECT_EQ(KeyText::of({Key::space, Modifier::option}) + " " + KeyText::of({Key::escape, 0}) +
                  " " + KeyText::of({Key::digit5, 0}) + " " + KeyText::of({Key::f1, 0}),
              "Alt+Space Esc 5 F1");
    const FakeKeyLabels layout{{{Key::grave, "^"}, {Key::tab, "\t"}}};
    EXPECT_EQ(KeyText::of({Key::grave, Modifier::command}), "Super+`");
    EXPECT_EQ(KeyText::of({Key::grave, Modifier::command}, &layout), "Super+^");
    EXPECT_EQ(KeyText::of({Key::tab, Modifier::command}, &layout), "Super+Tab");
}

} // namespace
} // namespace morvelan
