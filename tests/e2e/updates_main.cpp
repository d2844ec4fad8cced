// morvelan_e2e_updates: the program with the release address given in
// MORVELAN_TEST_RELEASE_URL, for e2e_updater_alerts and its local release server.
#include "qt/Program.h"

#include <cstdlib>

int main(int argc, char** argv) {
    const char* manifest = std::getenv("MORVELAN_TEST_RELEASE_URL");
    return morvelan::runProgram(argc, argv, {manifest ? manifest : "", ""});
}
