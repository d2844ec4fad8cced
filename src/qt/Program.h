// Program: one run of Morvelan — command line, display, instance lock, shell — for main() and
// for the test builds that bring their own addresses.
#pragma once

#include <string>

namespace morvelan {

// The web addresses a build is made with; empty when it has none.
struct BuildAddresses {
    // The release manifest the updater checks; without it there are no update checks.
    std::string releaseManifest;
    // The donation page About links to; without it About asks for nothing.
    std::string donatePage;
    // The key release archives are signed with; without it there is no updater either.
    std::string updateKey;
    // Set in a build for a distribution package: where the package installs the program.
    // Such a build leaves updates to the package manager and its login item starts that path.
    std::string packagedExecutable;
};

int runProgram(int argc, char** argv, const BuildAddresses& addresses);

} // namespace morvelan
