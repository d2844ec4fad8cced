// morvelan_e2e_updates: the program with the release address given in
// MORVELAN_TEST_RELEASE_URL, for e2e_updater_alerts and its local release server. Its update
// key signs nothing: the alerts checked there all come before an archive is installed. With
// MORVELAN_TEST_PACKAGED (the installed program's path) it is a packaged build, as
// scripts/package makes it.
#include "qt/Program.h"

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* manifest = std::getenv("MORVELAN_TEST_RELEASE_URL");
    const char* packaged = std::getenv("MORVELAN_TEST_PACKAGED");
    return morvelan::runProgram(
        argc, argv, {manifest ? manifest : "", "", std::string(64, '7'), packaged ? packaged : ""});
}
