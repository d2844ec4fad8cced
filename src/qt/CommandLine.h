// CommandLine: `morvelan COMMAND …` drives the running copy through its socket, for people
// (text) and scripts (--json), without starting Qt.
#pragma once

#include <string>
#include <string_view>

namespace morvelan {

// Exit codes of the commands.
namespace Exit {
inline constexpr int ok = 0;
inline constexpr int failed = 1;     // the copy could not be reached safely (the message says why)
inline constexpr int usage = 2;      // the command line is wrong
inline constexpr int notRunning = 3; // no copy runs for this user and display
inline constexpr int refused = 4;    // the copy refused the request (unknown context, …)
} // namespace Exit

// Whether `word` (argv[1]) names a command.
bool isCommand(std::string_view word);
// Runs the command in argv[1…]; returns the exit code.
int runCommand(int argc, char** argv);
// Asks the copy running on `display` to open its settings window; whether it did.
bool openRunningSettings(std::string_view display);

} // namespace morvelan
