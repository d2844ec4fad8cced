// Tests of the JSON-file settings store.
#include "core/platform/JsonFileDefaults.h"
#include "fakes/MemoryFiles.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

class JsonFileDefaultsTest : public ::testing::Test {
protected:
    const std::filesystem::path file = "/home/test/.config/Morvelan/settings.json";
    const std::filesystem::path corrupt = "/home/test/.config/Morvelan/settings.json.corrupt";
    MemoryFiles files;
};

TEST_F(JsonFileDefaultsTest, JsonTypesMapToValueTypesAndAMissingFileIsEmpty) {
    EXPECT_FALSE(JsonFileDefaults(files, file).get("autoSwitch"));
    EXPECT_EQ(files.writes, 0);

    files.contents[file] = R"({"b":true,"i":65,"n":-3,"d":37.5,"f":65.0,"s":"x",)"
                           R"("big":18446744073709551615,"z":null})";
    JsonFileDefaults defaults(files, file);
    EXPECT_EQ(defaults.get("b"), DefaultValue{true});
    EXPECT_EQ(defaults.get("i"), DefaultValue{std::int64_t{65}});
    EXPECT_EQ(defaults.get("n"), DefaultValue{std::int64_t{-3}});
    EXPECT_EQ(defaults.get("d"), DefaultValue{37.5});
    EXPECT_EQ(defaults.get("f"), DefaultValue{65.0}) << "an integral float stays a float";
    EXPECT_EQ(defaults.get("s"), DefaultValue{std::string("x")});
    EXPECT_EQ(defaults.get("big"), DefaultValue{18446744073709551615.0});
    EXPECT_FALSE(defaults.get("z"));
    EXPECT_FALSE(defaults.get("missing"));
}

TEST_F(JsonFileDefaultsTest, EverySetRewritesTheFileAndReadsBack) {
    JsonFileDefaults defaults(files, file);
    defaults.set("autoSwitch", false);
    defaults.set("switcherDelayMs", std::int64_t{38});
    defaults.set("ratio", 0.5);
    defaults.set("name", std::string("ü"));
    EXPECT_EQ(files.writes, 4);
    EXPECT_TRUE(files.directories.count(file.parent_path()));
    EXPECT_EQ(files.contents[file],
              R"({"autoSwitch":false,"name":"ü","ratio":0.5,"switcherDelayMs":38})");

    JsonFileDefaults reloaded(files, file);
    EXPECT_EQ(reloaded.get("autoSwitch"), DefaultValue{false});
    EXPECT_EQ(reloaded.get("switcherDelayMs"), DefaultValue{std::int64_t{38}});
    EXPECT_EQ(reloaded.get("ratio"), DefaultValue{0.5});
    EXPECT_EQ(reloaded.get("name"), DefaultValue{std::string("ü")});
}

TEST_F(JsonFileDefaultsTest, SetReplacesTheTypeOfAKeyAndKeepsUnknownValues) {
    files.contents[file] = R"({"switcherDelayMs":"fast","future":{"a":[1,2]},"hasSeenIntro":true})";
    JsonFileDefaults defaults(files, file);
    EXPECT_FALSE(defaults.get("future"));
    defaults.set("switcherDelayMs", std::int64_t{65});
    EXPECT_EQ(defaults.get("switcherDelayMs"), DefaultValue{std::int64_t{65}});
    EXPECT_EQ(files.contents[file],
              R"({"future":{"a":[1,2]},"hasSeenIntro":true,"switcherDelayMs":65})");
}

TEST_F(JsonFileDefaultsTest, BrokenFileIsKeptAsideAndReadsEmpty) {
    for (std::string bytes : {std::string("{\"autoSwitch\":fal"), std::string("[true]"),
                              std::string("42"), std::string("\xff\xfe", 2), std::string()}) {
        files = MemoryFiles();
        files.contents[file] = bytes;
        JsonFileDefaults defaults(files, file);
        EXPECT_FALSE(defaults.get("autoSwitch")) << bytes;
        ASSERT_TRUE(files.has(corrupt)) << bytes;
        EXPECT_EQ(files.contents[corrupt], bytes);
        EXPECT_EQ(files.contents[file], bytes) << "left until the next change";
    }
}

TEST_F(JsonFileDefaultsTest, FailedWriteKeepsTheValueInMemory) {
    files.failWrites.insert(file);
    JsonFileDefaults defaults(files, file);
    defaults.set("raiseContext", true);
    EXPECT_EQ(defaults.get("raiseContext"), DefaultValue{true});
    EXPECT_FALSE(files.has(file));
}

TEST_F(JsonFileDefaultsTest, InvalidUtf8StringDoesNotLoseTheOtherSettings) {
    JsonFileDefaults defaults(files, file);
    defaults.set("autoSwitch", false);
    defaults.set("title", std::string("bad \xc3 byte"));
    JsonFileDefaults reloaded(files, file);
    EXPECT_EQ(reloaded.get("autoSwitch"), DefaultValue{false});
    EXPECT_TRUE(reloaded.get("title").has_value());
}

} // namespace
} // namespace morvelan
