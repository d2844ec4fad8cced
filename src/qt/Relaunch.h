// Relaunch: how a copy started by the updater knows to wait for the old one to quit.
#pragma once

namespace morvelan {

// Set in the environment of the copy the updater starts; it waits for the display's lock
// instead of giving up at once.
inline constexpr const char* relaunchVariable = "MORVELAN_RELAUNCHED";
// How long the relaunched copy waits for the old one to let go, in seconds.
inline constexpr int relaunchWaitSeconds = 15;

} // namespace morvelan
