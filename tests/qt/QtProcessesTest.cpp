// Tests of QtProcesses with real programs.
#include "qt/QtProcesses.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace morvelan {
namespace {

TEST(QtProcesses, RunReturnsTheExitStatusOrMinusOneForAMissingProgramOrACrash) {
    QtProcesses processes;
    EXPECT_EQ(processes.run("/bin/sh", {"-c", "exit 0"}), 0);
    EXPECT_EQ(processes.run("/bin/sh", {"-c", "exit 7"}), 7);
    EXPECT_EQ(processes.run("/nonexistent/program", {}), -1);
    EXPECT_EQ(processes.run("/bin/sh", {"-c", "kill -9 $$"}), -1);
}

TEST(QtProcesses, CaptureReadsOutputAndErrorsOfArgumentsPassedWithoutAShell) {
    QtProcesses processes;
    EXPECT_EQ(processes.capture("/bin/echo", {"a b", "$HOME", "*"}), "a b $HOME *\n");
    EXPECT_EQ(processes.capture("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"}), "out\nerr\n");
    EXPECT_EQ(processes.capture("/nonexistent/program", {}), "");
    // Standard input is closed, so nothing waits for an answer.
    EXPECT_EQ(processes.capture("/bin/sh", {"-c", "read x || echo eof"}), "eof\n");
}

TEST(QtProcesses, StartDetachedRunsOnItsOwnOrNamesTheMissingProgram) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string marker = dir.filePath("started").toStdString();
    QtProcesses processes;
    ASSERT_TRUE(processes.startDetached("/bin/sh", {"-c", "echo yes > \"$0\"", marker}));
    // The detached program is not waited for: poll for its mark with a deadline.
    for (int i = 0; i < 200 && !std::ifstream(marker).good(); ++i)
        processes.run("/bin/sleep", {"0.05"});
    EXPECT_TRUE(std::ifstream(marker).good());

    auto started = processes.startDetached("/nonexistent/program", {});
    ASSERT_FALSE(started);
    EXPECT_NE(started.error().message.find("/nonexistent/program"), std::string::npos);
}

} // namespace
} // namespace morvelan
