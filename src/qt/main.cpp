// Entry point: the program with the addresses this build was configured with.
#include "qt/Program.h"

int main(int argc, char** argv) {
    return morvelan::runProgram(argc, argv,
                                {MORVELAN_RELEASE_URL, MORVELAN_DONATE_URL, MORVELAN_UPDATE_KEY,
                                 MORVELAN_PACKAGED_EXECUTABLE});
}
