// morvelan-msg: the running program's commands (`morvelan COMMAND`) on their own. It links
// no Qt, so it starts in a few milliseconds instead of some 45: for compositor key bindings
// and status bars, which run a command at every press or every second.
#include "qt/CommandLine.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2 || !morvelan::isCommand(argv[1])) {
        std::fprintf(stderr, "usage: morvelan-msg COMMAND [OPTION…]: the commands morvelan "
                             "--help lists\n");
        return morvelan::Exit::usage;
    }
    return morvelan::runCommand(argc, argv);
}
