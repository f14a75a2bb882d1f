// What the command says when a run ends: the summary line a log keeps and a
// script can read, and a dry run's list of customers who would become members.
#pragma once

#include <string>
#include <vector>

namespace didu::cli {

/// How the customers of one run were settled.
struct RunCounts {
    int read = 0; ///< reached by the run, the one an error stopped at included
    int added = 0;
    int alreadyMembers = 0;
    int wouldBeAdded = 0;
};

/// A customer a dry run found without a member row, and the member name the
/// row would get, cut as a press would cut it.
struct WouldBeMember {
    std::string customerId;
    std::string memberName;
};

/// "N customers read, N members added, N already members, S.SS s"; a dry run
/// says "N would become members" in place of the members added. The seconds
/// always carry a "." whatever the locale, for the scripts that read them.
std::string summaryLine(const RunCounts& counts, bool dryRun, double seconds);

/// One "id<TAB>member name" line per customer, in the order given.
std::string dryRunListing(const std::vector<WouldBeMember>& members);

} // namespace didu::cli
