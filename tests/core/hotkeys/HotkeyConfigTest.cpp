// Tests of loading and saving the hotkeys file.
#include "core/hotkeys/HotkeyConfig.h"
#include "core/hotkeys/KeyText.h"
#include "fakes/MemoryFiles.h"

#include <gtest/gtest.h>
#include <random>

namespace morvelan {
namespace {

class HotkeyConfigTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return files.appSupportDir() / "hotkeys.json"; }
    std::filesystem::path corrupt() const { return files.appSupportDir() / "hotkeys.json.corrupt"; }
    void store(std::string bytes) { files.contents[file()] = std::move(bytes); }

    MemoryFiles files;
};

TEST_F(HotkeyConfigTest, NoFileOrAnUnreadableOneGivesDefaultsWithoutCorruptCopy) {
    HotkeyConfig config(files);
    EXPECT_EQ(config.url, file());
    EXPECT_TRUE(files.directories.count(files.appSupportDir()));
    EXPECT_EQ(config.bindings, HotkeyConfig::defaults());
    EXPECT_EQ(KeyText::of(config.bindings.at(HotkeyAction::switcher)), "⌘Tab");
    EXPECT_EQ(KeyText::of(config.bindings.at(HotkeyAction::switcherConfined)), "⌥Tab");
    EXPECT_EQ(files.writes, 0);

    files.failReads.insert(file());
    EXPECT_EQ(HotkeyConfig(files).bindings, HotkeyConfig::defaults());
    EXPECT_FALSE(files.has(corrupt()));
}

TEST_F(HotkeyConfigTest, StoredBindingsWithAModifierOverrideTheDefaults) {
    const KeyBind switcher = HotkeyConfig::defaults().at(HotkeyAction::switcher);
    const KeyBind confined = HotkeyConfig::defaults().at(HotkeyAction::switcherConfined);
    struct Case {
        const char* bytes;
        KeyBind switcher, confined;
    };
    const Case cases[] = {
        {R"(["switcher",{"keyCode":49,"mods":786432}])", {49, 0xC0000}, confined},
        // Without a modifier a binding is skipped.
        {R"(["switcher",{"keyCode":49,"mods":0},"switcherConfined",{"keyCode":1,"mods":65536}])",
         switcher, confined},
        // Other modifier bits stay as read.
        {R"(["switcher",{"keyCode":48,"mods":1048832}])", {48, 0x100100}, confined},
        {R"(["switcher",{"keyCode":1,"mods":262144},"switcher",{"keyCode":2,"mods":131072}])",
         {2, Modifier::shift},
         confined},
        // The later pair wins the decoding; having no modifier it is then skipped, so the
        // default comes back rather than the earlier pair.
        {R"(["switcher",{"keyCode":1,"mods":262144},"switcher",{"keyCode":2,"mods":0}])", switcher,
         confined},
        {R"(["switcherConfined",{"mods":262144,"keyCode":3,"label":"x"}])",
         switcher,
         {3, Modifier::control}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        store(c.bytes);
        HotkeyConfig config(files);
        EXPECT_EQ(config.bindings, (Bindings{{HotkeyAction::switcher, c.switcher},
                                             {HotkeyAction::switcherConfined, c.confined}}));
        EXPECT_FALSE(files.has(corrupt()));
    }
}

TEST_F(HotkeyConfigTest, UndecodableFilesAreCopiedAsideUnchangedIfPossible) {
    const std::vector<std::string> broken{
        R"({"switcher":{"keyCode":48,"mods":1048576}})", // object, not array
        R"(["switcher"])",                               // odd count
        R"(["switcher",{"keyCode":48,"mods":1048576},"bogus",{"keyCode":1,"mods":1}])",
        R"(["switcher",{"keyCode":48}])",                         // missing mods
        R"(["switcher",{"mods":1048576}])",                       // missing keyCode
        R"(["switcher",{"keyCode":"48","mods":1048576}])",        // wrong type
        R"(["switcher",{"keyCode":48,"mods":-1}])",               // negative bits
        R"(["switcher",{"keyCode":48.5,"mods":1048576}])",        // not an integer
        R"(["switcher",{"keyCode":99999999999,"mods":1048576}])", // beyond int
        R"([48,{"keyCode":48,"mods":1048576}])",                  // action not a string
        R"(["switcher",[48,1048576]])",                           // binding not an object
        "[\"switcher\",{\"keyCode\":48,\"mods\":1048576}] trailing",
        std::string("\xff\xfe[\0\x01", 5),
        "",
    };
    for (const auto& bytes : broken) {
        files.contents.clear();
        store(bytes);
        HotkeyConfig config(files);
        EXPECT_EQ(config.bindings, HotkeyConfig::defaults()) << bytes;
        ASSERT_TRUE(files.has(corrupt())) << bytes;
        EXPECT_EQ(files.contents[corrupt()], bytes);
        EXPECT_EQ(files.contents[file()], bytes) << "the original stays in place";
    }
    files.contents.clear();
    store("not json");
    files.failWrites.insert(corrupt());
    EXPECT_EQ(HotkeyConfig(files).bindings, HotkeyConfig::defaults()) << "a failed copy";
}

TEST_F(HotkeyConfigTest, SaveWritesACompactAlternatingArrayThatLoadsBack) {
    EXPECT_EQ(HotkeyConfig::encode(HotkeyConfig::defaults()),
              R"(["switcher",{"keyCode":48,"mods":1048576},)"
              R"("switcherConfined",{"keyCode":48,"mods":524288}])");
    HotkeyConfig config(files);
    config.bindings[HotkeyAction::switcherConfined] =
        KeyBind{17, Modifier::control | Modifier::shift};
    ASSERT_TRUE(config.save().ok());
    EXPECT_EQ(files.writes, 1);
    EXPECT_EQ(HotkeyConfig(files).bindings, config.bindings);
    files.failWrites.insert(file());
    EXPECT_FALSE(config.save().ok());
}

TEST_F(HotkeyConfigTest, GarbageBytesNeverCrashTheDecoder) {
    std::mt19937 rng(12345);
    const std::string alphabet = "[]{}\",:0123456789-.eEtrufalsn switcherConfinedkeyCodmods\\\x80";
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(rng() % 64, ' ');
        for (auto& c : bytes)
            c = (round % 2) ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
        auto decoded = HotkeyConfig::decode(bytes);
        if (decoded) {
            EXPECT_LE(decoded->size(), 2u);
        }
    }
    EXPECT_FALSE(HotkeyConfig::decode(std::string(200000, '[')).has_value());
    EXPECT_FALSE(HotkeyConfig::decode(std::string(100000, '[') + std::string(100000, ']')));
}

} // namespace
} // namespace morvelan
