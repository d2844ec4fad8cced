// morvelan_e2e_updates: the program with the release address given in
// MORVELAN_TEST_RELEASE_URL, for e2e_updater_alerts and its local release server. Its update
// key signs nothing: the alerts checked there all come before an archive is installed.
#include "qt/Program.h"

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* manifest = std::getenv("MORVELAN_TEST_RELEASE_URL");
    return morvelan::runProgram(argc, argv, {manifest ? manifest : "", "", std::string(64, '7')});
}
