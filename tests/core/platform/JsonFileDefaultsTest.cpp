// The JSON file behind the user settings: types kept, unknown keys kept, broken files aside.
#include "core/platform/JsonFileDefaults.h"
#include "fakes/MemoryFiles.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

const std::filesystem::path file = "/home/test/.config/Morvelan/settings.json";
const std::filesystem::path corrupt = "/home/test/.config/Morvelan/settings.json.corrupt";

TEST(JsonFileDefaults, ValuesKeepTheirJsonTypeAndEverySetRewritesTheWholeFile) {
    MemoryFiles files;
    files.contents[file] = R"({"i":65,"f":65.0,"big":18446744073709551615,"s":"x","z":null,)"
                           R"("future":{"a":[1,2]},"switcherDelayMs":"fast"})";
    JsonFileDefaults defaults(files, file);
    EXPECT_EQ(defaults.get("i"), DefaultValue{std::int64_t{65}});
    EXPECT_EQ(defaults.get("f"), DefaultValue{65.0}) << "an integral float stays a float";
    EXPECT_EQ(defaults.get("big"), DefaultValue{18446744073709551615.0});
    EXPECT_FALSE(defaults.get("z") || defaults.get("future"));

    files.contents = {};
    defaults.set("switcherDelayMs", std::int64_t{38});
    defaults.set("autoSwitch", false);
    defaults.set("title", std::string("bad \xc3 byte"));
    EXPECT_TRUE(files.directories.count(file.parent_path()));
    EXPECT_EQ(files.contents[file], R"({"autoSwitch":false,"big":18446744073709551615,"f":65.0,)"
                                    R"("future":{"a":[1,2]},"i":65,"s":"x","switcherDelayMs":38,)"
                                    "\"title\":\"bad \xEF\xBF\xBD byte\",\"z\":null}");
    JsonFileDefaults reloaded(files, file);
    EXPECT_EQ(reloaded.get("switcherDelayMs"), DefaultValue{std::int64_t{38}});
    EXPECT_EQ(reloaded.get("autoSwitch"), DefaultValue{false});
}

TEST(JsonFileDefaults, BrokenOrDeeplyNestedFileIsKeptAsideAndAnUnreadableOneIsNeverWrittenOver) {
    // 100,000 levels used to crash the first write, which recursed once per level.
    const std::string deep = "{\"x\":" + std::string(100000, '[') + std::string(100000, ']') + "}";
    for (std::string bytes : {std::string("{\"autoSwitch\":fal"), std::string("[true]"),
                              std::string("42"), std::string("\xff\xfe", 2), std::string(), deep}) {
        MemoryFiles files;
        files.contents[file] = bytes;
        JsonFileDefaults defaults(files, file);
        EXPECT_FALSE(defaults.get("autoSwitch")) << bytes;
        EXPECT_EQ(files.has(corrupt) ? files.contents[corrupt] : "(none)", bytes);
        EXPECT_EQ(files.contents[file], bytes) << "left until the next change";
        defaults.set("autoSwitch", true);
    }
    MemoryFiles files;
    files.failWrites.insert(file);
    JsonFileDefaults defaults(files, file);
    defaults.set("raiseContext", true);
    EXPECT_EQ(defaults.get("raiseContext"), DefaultValue{true});

    // A file that cannot be read (mode 000, owned by root) is not written over until it reads.
    files.contents[file] = R"({"raiseContext":false})";
    files.failReads = {file};
    files.failWrites.clear();
    JsonFileDefaults unread(files, file);
    unread.set("raiseContext", true);
    EXPECT_FALSE(unread.readable());
    EXPECT_EQ(files.contents[file], R"({"raiseContext":false})");
    files.failReads.clear();
    EXPECT_TRUE(unread.readable());
    EXPECT_EQ(unread.get("raiseContext"), DefaultValue{false});
}

} // namespace
} // namespace morvelan
