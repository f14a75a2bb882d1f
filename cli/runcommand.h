// One run of the transfer as the command makes it: the session the window
// owns, connected from the same files, the section the command names, and the
// outcome turned into what is printed and the exit status.
#pragma once

#include "cli/commandline.h"

namespace didu::cli {

/// Exit statuses, as shell scripts and systemd read them.
enum ExitStatus : int {
    kExitDone = 0,
    kExitRunFailed = 1, ///< the members written before the error stay
    kExitUsage = 2, ///< bad arguments, or a set-up the connection cannot use
};

/// Runs the transfer once (or dry) and gives the exit status.
int runCommand(const CommandOptions& options);

} // namespace didu::cli
