// ProgramE2e: the fixture of the end-to-end tests that run the morvelan program itself: its
// settings and contexts files, starting and stopping it, and reading back what it wrote.
#pragma once

#include "E2eSupport.h"
#include "ProgramProcess.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

namespace morvelan::e2e {

using Json = nlohmann::json;
namespace fs = std::filesystem;

// The file's text; empty when it cannot be read.
inline std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class ProgramE2e : public ::testing::Test {
protected:
    void SetUp() override {
        if (!inSession()) GTEST_SKIP() << "end-to-end tests run through scripts/xvfb-session";
        ASSERT_TRUE(probe.ok());
        const char* config = std::getenv("XDG_CONFIG_HOME");
        ASSERT_TRUE(config && *config);
        dataDir = fs::path(dataHome()) / "Morvelan";
        configDir = fs::path(config) / "Morvelan";
        // What a test before left behind in this session.
        fs::remove_all(dataDir);
        fs::remove_all(configDir);
    }

    // Stops the program, which must end cleanly; on a failure shows what it wrote.
    void TearDown() override {
        if (program) {
            const int status = program->stop();
            EXPECT_EQ(status, 0) << "morvelan did not end cleanly";
        }
        if (!HasFailure()) return;
        for (const fs::path& file : {sessionDir() / "morvelan.log", dataDir / "contexts.json",
                                     dataDir / "status.log", dataDir / "focused.log"})
            std::cerr << "--- " << file.filename().string() << "\n" << readText(file) << "\n";
    }

    static fs::path sessionDir() { return std::getenv("MORVELAN_SESSION_DIR"); }

    // Settings beyond the defaults: no tour over the windows, no update check reaching for
    // the network, no login item.
    void writeSettings(const Json& extra = Json::object()) {
        Json s = {{"hasSeenIntro", true}, {"autoUpdate", false}, {"launchAtLoginConfigured", true}};
        s.update(extra);
        writeText(configDir / "settings.json", s.dump());
    }

    void writeContexts(const Json& doc) {
        writeText(dataDir / "contexts.json", doc.dump());
        fs::permissions(dataDir, fs::perms::owner_all);
    }

    // Starts morvelan and waits until its status.log holds `ready` (any status: start-up is
    // done).
    void startProgram(const std::string& ready = "") {
        program = std::make_unique<ProgramProcess>(MORVELAN_BINARY,
                                                   (sessionDir() / "morvelan.log").string());
        ASSERT_TRUE(program->started());
        ASSERT_TRUE(waitFor(
            [&] {
                return fs::exists(dataDir / "status.log") &&
                       data("status.log").find(ready) != std::string::npos;
            },
            15s))
            << "morvelan's status.log never held \"" << ready << "\":\n"
            << data("status.log");
        ASSERT_TRUE(program->running());
    }

    // A file the program wrote into its data folder.
    std::string data(const std::string& name) const { return readText(dataDir / name); }

    Json contexts() const { return Json::parse(data("contexts.json"), nullptr, false); }

    std::string activeID() const {
        const Json doc = contexts();
        if (!doc.is_object() || !doc.contains("activeID")) return "(none)";
        const Json& id = doc["activeID"];
        return id.is_string() ? id.get<std::string>() : "(none)";
    }

    RootProbe probe;
    fs::path dataDir;
    fs::path configDir;
    std::unique_ptr<ProgramProcess> program;
};

} // namespace morvelan::e2e
