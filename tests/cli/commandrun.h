// Starting diduradozori-transfer from a test, and reading back what it said.
#pragma once

#include "tests/reliability/childprocess.h"

#include <regex>
#include <string>
#include <vector>

namespace didu::test {

inline std::string transferProgram()
{
    return executableFolder() + "/diduradozori-transfer";
}

/// What one finished run left behind.
struct TransferResult {
    int exitCode = -1;
    std::string output; ///< standard output
    std::string errors; ///< standard error
};

/// Runs the program with `arguments` (and `environment` added) to its end.
inline TransferResult runTransfer(const std::vector<std::string>& arguments,
                                  const std::vector<std::string>& environment = {})
{
    std::vector<std::string> argv{transferProgram()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildProcess run(argv, environment);
    TransferResult result;
    result.exitCode = run.wait(std::chrono::minutes(5)).value_or(-1);
    result.output = run.remainingOutput();
    result.errors = run.errorOutput();
    return result;
}

/// The output with the summary's seconds, which vary, written as "S".
inline std::string withoutSeconds(const std::string& output)
{
    return std::regex_replace(output, std::regex(R"(, [0-9]+\.[0-9]{2} s(\r?\n))"), ", S s$1");
}

} // namespace didu::test
