#include "cli/report.h"

#include <charconv>

namespace didu::cli {

std::string summaryLine(const RunCounts& counts, bool dryRun, double seconds)
{
    char number[32];
    const auto end = std::to_chars(number, number + sizeof number, seconds, std::chars_format::fixed, 2).ptr;
    std::string line = std::to_string(counts.read) + " customers read, ";
    line += dryRun ? std::to_string(counts.wouldBeAdded) + " would become members, "
                   : std::to_string(counts.added) + " members added, ";
    line += std::to_string(counts.alreadyMembers) + " already members, " + std::string(number, end) + " s";
    return line;
}

std::string dryRunListing(const std::vector<WouldBeMember>& members)
{
    std::string text;
    for (const WouldBeMember& member : members)
        text.append(member.customerId).append("\t").append(member.memberName).append("\n");
    return text;
}

} // namespace didu::cli
