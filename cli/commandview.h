// The run as the command shows it: the bar on a terminal, the progress lines a
// script asked for, the completion message, and what each customer came to,
// counted for the summary and kept for a dry run's list.
#pragma once

#include "cli/report.h"
#include "transfer/transferview.h"

#include <optional>
#include <string>
#include <vector>

namespace didu::cli {

class LocaleText;
class TerminalBar;

class CommandView : public TransferView {
public:
    /// `bar` (may be null) draws for a person; `progressFd` receives a line per
    /// step for a script; `text` writes messages in the locale's character set.
    CommandView(TerminalBar* bar, std::optional<int> progressFd, const LocaleText& text);

    void showProgress(const Progress& progress) override;
    /// Written to standard output at once, on a line of its own.
    void showInformation(const std::string& message) override;
    void customerSettled(const std::string& customerId, const std::string& memberName,
                         CustomerOutcome outcome) override;

    /// Ends the bar's line; call once the run has ended, however it ended.
    void finish();

    const RunCounts& counts() const { return m_counts; }
    /// The customers a dry run would make members, in the order read.
    const std::vector<WouldBeMember>& wouldBeMembers() const { return m_wouldBeMembers; }

private:
    TerminalBar* m_bar;
    std::optional<int> m_progressFd;
    const LocaleText& m_text;
    RunCounts m_counts;
    std::vector<WouldBeMember> m_wouldBeMembers;
};

} // namespace didu::cli
