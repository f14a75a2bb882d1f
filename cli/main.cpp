// diduradozori-transfer: the transfer of the window's OK, once, without a
// window, for nightly runs and shop scripts.
#include "cli/commandline.h"
#include "cli/runcommand.h"
#include "platform/locale.h"

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    using namespace didu::cli;
    // The user's locale in full, as the window has it from Qt: the time
    // separator, the decimal separator of number text and the code page.
    std::setlocale(LC_ALL, "");

    const ParsedCommandLine parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgramName, parsed.error.c_str(),
                     kProgramName);
        return kExitUsage;
    }
    if (parsed.options.help) {
        std::fputs(helpText().c_str(), stdout);
        return kExitDone;
    }
    if (parsed.options.version) {
        std::printf("%s %s\n", kProgramName, DIDU_VERSION);
        return kExitDone;
    }
    didu::loadUserLocale();
    return runCommand(parsed.options);
}
