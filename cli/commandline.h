// The command line of diduradozori-transfer: what a run is asked to do, read
// from the arguments without touching anything else, so that a mistake in them
// ends the program before any file or database is opened.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace didu::cli {

/// The program's name as the shop types it, whatever link started it.
inline constexpr const char* kProgramName = "diduradozori-transfer";

struct CommandOptions {
    /// The section of the connection file to use; the window's own when none
    /// is given.
    std::optional<std::string> connection;
    /// Look up without inserting; list the customers a run would make members.
    bool dryRun = false;
    /// No bar on a terminal.
    bool quiet = false;
    /// A descriptor that receives one "done total" line per step of the run.
    std::optional<int> progressFd;
    bool help = false;
    bool version = false;
};

/// What the arguments ask for, or the text of the first mistake in them.
struct ParsedCommandLine {
    CommandOptions options;
    std::string error; ///< empty when the arguments are sound
};

/// Reads the arguments after the program's name. Options may be given as
/// "--name value" or "--name=value"; there are no positional arguments.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments);

/// The text of --help.
std::string helpText();

} // namespace didu::cli
