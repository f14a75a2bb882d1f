#include "cli/runcommand.h"

#include "cli/commandview.h"
#include "cli/localetext.h"
#include "cli/report.h"
#include "cli/terminalbar.h"
#include "db/connection/sqlconnection.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/fullstop.h"
#include "transfer/transfersession.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace didu::cli {

namespace {

void printResults(const CommandView& view, const LocaleText& text, const CodePage& codePage, bool dryRun,
                  std::chrono::steady_clock::time_point started)
{
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    if (dryRun) {
        // Read in the code page the run read them in (the connection's), as the
        // window would show them.
        std::vector<WouldBeMember> shown;
        shown.reserve(view.wouldBeMembers().size());
        for (const WouldBeMember& member : view.wouldBeMembers())
            shown.push_back({text.database(member.customerId, codePage), text.database(member.memberName, codePage)});
        std::fputs(dryRunListing(shown).c_str(), stdout);
    }
    std::fputs((summaryLine(view.counts(), dryRun, elapsed.count()) + "\n").c_str(), stdout);
    std::fflush(stdout);
}

} // namespace

int runCommand(const CommandOptions& options)
{
    const auto started = std::chrono::steady_clock::now();
    std::unique_ptr<TerminalBar> bar;
    if (!options.quiet && ::isatty(STDERR_FILENO))
        bar = std::make_unique<TerminalBar>(STDERR_FILENO);
    const LocaleText text = LocaleText::user();
    CommandView view(bar.get(), options.progressFd, text);
    const TransferMode mode = options.dryRun ? TransferMode::DryRun : TransferMode::Write;

    TransferSession session;
    if (options.connection)
        session.SQLConnection1().settings().connectionName = *options.connection;
    try {
        session.run(view, {}, mode);
    } catch (const std::exception& error) {
        view.finish();
        // What was done before the error stays done: the log says how much.
        if (view.counts().read > 0)
            printResults(view, text, session.SQLConnection1().codePage(), options.dryRun, started);
        if (const std::optional<std::string> shown = shownErrorText(error, "\n"))
            std::fprintf(stderr, "%s\n", text.own(*shown).c_str());
        return dynamic_cast<const SetupError*>(&error) ? kExitUsage : kExitRunFailed;
    }
    view.finish();
    printResults(view, text, session.SQLConnection1().codePage(), options.dryRun, started);
    return kExitDone;
}

} // namespace didu::cli
