// QtProcesses with real programs.
#include "qt/QtProcesses.h"

#include <QTemporaryDir>

#include <fstream>
#include <gtest/gtest.h>

namespace morvelan {
namespace {

TEST(QtProcesses, FailuresAreValuesArgumentsSkipTheShellAndDetachedProgramsRunOnTheirOwn) {
    QtProcesses processes;
    EXPECT_EQ(processes.run("/bin/sh", {"-c", "exit 7"}), 7);
    EXPECT_EQ(processes.run("/nonexistent/program", {}), -1);
    EXPECT_EQ(processes.run("/bin/sh", {"-c", "kill -9 $$"}), -1);
    EXPECT_EQ(processes.capture("/bin/echo", {"a b", "$HOME", "*"}), "a b $HOME *\n");
    // Standard input is closed, so nothing waits for an answer; errors are captured too.
    EXPECT_EQ(processes.capture("/bin/sh", {"-c", "read x || echo eof >&2"}), "eof\n");

    QTemporaryDir dir;
    const std::string marker = dir.filePath("started").toStdString();
    ASSERT_TRUE(processes.startDetached("/bin/sh", {"-c", "echo yes > \"$0\"", marker}));
    for (int i = 0; i < 200 && !std::ifstream(marker).good(); ++i) // up to 10 s
        processes.run("/bin/sleep", {"0.05"});
    EXPECT_TRUE(std::ifstream(marker).good());
    auto missing = processes.startDetached("/nonexistent/program", {});
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("/nonexistent/program"), std::string::npos);
}

// Regression: unzip run from a terminal waited on /dev/tty for a password, and the program
// froze. Children get no terminal and a time limit.
TEST(QtProcesses, ChildrenRunWithoutATerminalAndAreKilledAtTheTimeLimit) {
    QtProcesses processes(500);
    // A session of its own, so no controlling terminal: the shell's session id is its pid.
    EXPECT_EQ(processes.run("/bin/sh", {"-c", "[ \"$(cut -d' ' -f6 /proc/$$/stat)\" = $$ ]"}), 0);
    EXPECT_EQ(processes.run("/bin/sleep", {"10"}), -1);
    EXPECT_EQ(processes.capture("/bin/sh", {"-c", "echo partial; exec sleep 10"}), "");
}

} // namespace
} // namespace morvelan
